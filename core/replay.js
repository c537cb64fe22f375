// The step view's data, from one run of kel (core/kel.js): every command kel generated, with the
// source kel had read when it generated it, and the machine after it ran: what the step view
// shows of each step (the source read, marked in the editor too, the trace row, the command and
// the values it took and pushed, the stack, the variables, the output so far, the code store's
// bytes); words.js puts them into words. kel lists each command and its operand on the error
// output (the generation trace), so the machine is rebuilt here by running the trace again with
// kel's own rules: the code store's size, the stack and variables of kel's sizes, kel's
// arithmetic (arith.js) and kel's messages. No DOM.
import { Failure, binary, div, neg, not, sub } from './arith.js';
import { booleanTexts, codeSize, commands, operations, stackSize, tracePrefix, varCount } from './facts.js';

// What each operation computes, by name: the result f(x, y), or the value written (out). y is
// the top, x the value below it (the top alone for one operand). The divisions test a zero
// divisor first, as the machine does; Bus and Vid are Sub and Div turned round.
const bool = (x) => booleanTexts[+(x !== 0)];
const machine = {
  ...Object.fromEntries(Object.entries(binary).map(([name, f]) => [name, { f }])),
  Wrt: { out: String },
  WrB: { out: bool },
  Neg: { f: neg },
  Not: { f: not },
  Div: { f: (x, y) => divide(x, y) },
  Bus: { f: (x, y) => sub(y, x) },
  Vid: { f: (x, y) => divide(y, x) },
};
const ops = {};
for (const { name, code, operands } of operations.slice(1)) ops[name] = { code, n: operands, ...machine[name] };

const comp = (what) => new Failure(`Comp: ${what}.`);

// The machine tests a zero divisor itself; a negative one is left to kel's division.
function divide(x, y) {
  if (y === 0) throw comp('Division by zero');
  return div(x, y);
}

// The bytes of a command: its function byte, then its operand, least significant byte first.
function encode(fct, operand) {
  if (fct === commands.Opr.code) return Uint8Array.of(fct, operand);
  const b = new Uint8Array(5);
  b[0] = fct;
  new DataView(b.buffer).setUint32(1, operand >>> 0, true);
  return b;
}

// One trace line's command as the replay runs it: its name and operand, its bytes, and what it
// does to the machine.
function commandOf({ name, operand }) {
  if (name in commands) return { name, operand, bytes: encode(commands[name].code, operand) };
  const op = ops[name];
  return { name, operand, op, bytes: op ? encode(commands.Opr.code, op.code) : Uint8Array.of(commands.Opr.code) };
}

// Runs one command on the machine m as kel does: the check, the two writes to the code store,
// then the command itself. Records in m.taken the values it took from the stack or from a
// variable, bottom first, and in m.pushed the value it pushed (null for none); throws a Failure
// as kel fails.
function execute(m, cmd) {
  const store = () => {
    for (const part of [cmd.bytes.subarray(0, 1), cmd.bytes.subarray(1)]) {
      if (m.len + part.length > codeSize) throw comp('Program too large');
      m.len += part.length;
    }
  };
  const push = (v) => {
    if (m.stack.length >= stackSize) throw comp('Stack overflow');
    m.stack.push(v);
    m.pushed = v;
  };
  const pop = () => {
    if (m.stack.length === 0) throw comp('Stack underflow');
    const v = m.stack.pop();
    m.taken.unshift(v);
    return v;
  };
  m.taken = [];
  m.pushed = null;
  switch (cmd.name) {
    case 'Val':
      store();
      push(cmd.operand);
      return;
    case 'Lod':
    case 'Sto': {
      const i = cmd.operand;
      if (i >= varCount) throw comp('Invalid index');
      store();
      if (cmd.name === 'Lod') {
        m.taken = [m.vars[i]];
        push(m.vars[i]);
      } else {
        m.vars[i] = pop();
        m.stored.add(i);
      }
      return;
    }
  }
  const op = cmd.op;
  if (!op?.n) throw comp('Bug: Invalid operation'); // Null and unknown ones (never generated)
  store();
  // Both operands are taken before any test: y the top, x the value below it.
  const y = pop();
  const args = op.n === 2 ? [pop(), y] : [y];
  if (op.out) m.output.push(op.out(y));
  else push(op.f(...args));
}

// The slots to show: every declared one, from the first step on (0 until stored), and any other
// that was stored.
function slots(declared, stored) {
  const all = Array.from({ length: declared }, (_, i) => i);
  for (const i of [...stored].sort((a, b) => a - b)) if (i >= declared) all.push(i);
  return all;
}

// The steps of the step view for a run of kel (see the header of this file), from what it wrote
// (written: core/lines.js's traceOf); names are the variables' names by slot (from the run's
// origins). Each step has taken, the values its command took (from the stack, bottom first, or a
// Lod's variable), and pushed, the value it pushed or null.
export function replay(written, names) {
  // The machine: the code store's length, the stack, the variables and which of them were
  // stored, the lines written, and what the command being run took and pushed.
  const m = {
    len: 0,
    stack: [],
    vars: new Int32Array(varCount),
    stored: new Set(),
    output: [],
    taken: [],
    pushed: null,
  };
  const steps = [];
  let read = 0;
  for (const t of written.trace) {
    const { text, read: readTo, row: traceRow } = t;
    const cmd = commandOf(t);
    const codeFrom = t.pos;
    m.len = codeFrom; // kel's own position; equal to the replay's when all went well
    let error = null;
    try {
      execute(m, cmd);
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      error = e.text;
    }
    steps.push({
      traceRow,
      command: text.slice(tracePrefix.length).trimStart(),
      name: cmd.name,
      operand: cmd.operand,
      bytes: cmd.bytes,
      codeFrom,
      codeTo: m.len,
      readFrom: read,
      readTo,
      taken: m.taken,
      pushed: error === null ? m.pushed : null,
      stack: [...m.stack],
      vars: slots(names.length, m.stored).map((slot) => ({ slot, name: names[slot] ?? null, value: m.vars[slot] })),
      output: [...m.output],
      error,
    });
    read = readTo;
  }
  return steps;
}
