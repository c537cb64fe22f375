// The step view's data, from one run of kel (web/kel.js): every command kel generated, with the
// source kel had read when it generated it, and the machine after it ran: what the step view
// shows of each step (the source read, marked in the editor too, the trace row, the command and
// its words, the stack, the variables, the output so far, the code store's bytes) and the
// diagnostic that ended the steps. kel lists each command and its operand on the error output
// (the generation trace), so the machine is rebuilt here by running the trace again with kel's
// own rules: the code store, stack and variables of kel's sizes, kel's arithmetic (arith.js) and
// kel's messages. No DOM.
import { Failure, add, div, mul, neg, sub } from './arith.js';
import { diagnosticOf } from './diagnostic.js';
import {
  booleanTexts, codeSize, commands, operations, stackSize, traceCommand, traceHeader, tracePrefix, varCount,
} from './facts.js';
import { writtenLines } from './lines.js';
import { declaredNames } from './origins.js';

// What each operation does, by name: the result f(x, y) or the value written (out), and plain
// words with how the operands are shown. y is the top, x the value below it (the top alone for
// one).
const bool = (x) => booleanTexts[+(x !== 0)];
const compare = 'compare the two top values';
const machine = {
  Wrt: [{ out: String }, 'write the top as a number', (x) => x],
  WrB: [{ out: bool }, 'write the top as a Boolean', bool],
  Neg: [{ f: neg }, 'negate the top', (x) => `-(${x})`],
  Add: [{ f: add }, 'add the two top values', (x, y) => `${x} + ${y}`],
  Sub: [{ f: sub }, 'subtract the top from the value below it', (x, y) => `${x} - ${y}`],
  Mul: [{ f: mul }, 'multiply the two top values', (x, y) => `${x} * ${y}`],
  Div: [{ f: (x, y) => divide(x, y) }, 'divide the value below the top by the top, rounding down',
    (x, y) => `${x} / ${y}`],
  Bus: [{ f: (x, y) => sub(y, x) }, 'subtract the value below the top from the top', (x, y) => `${y} - ${x}`],
  Vid: [{ f: (x, y) => divide(y, x) }, 'divide the top by the value below it, rounding down',
    (x, y) => `${y} / ${x}`],
  Eql: [{ f: (x, y) => +(x === y) }, compare, (x, y) => `${x} = ${y}`],
  Neq: [{ f: (x, y) => +(x !== y) }, compare, (x, y) => `${x} # ${y}`],
  Lss: [{ f: (x, y) => +(x < y) }, compare, (x, y) => `${x} < ${y}`],
  Leq: [{ f: (x, y) => +(x <= y) }, compare, (x, y) => `${x} <= ${y}`],
  Gtr: [{ f: (x, y) => +(x > y) }, compare, (x, y) => `${x} > ${y}`],
  Geq: [{ f: (x, y) => +(x >= y) }, compare, (x, y) => `${x} >= ${y}`],
  Not: [{ f: (x) => +(x === 0) }, 'negate the Boolean on top', (x) => `~${x}`],
  Or: [{ f: (x, y) => +(x !== 0 || y !== 0) }, 'either of the two top Booleans', (x, y) => `${x} | ${y}`],
  And: [{ f: (x, y) => +(x !== 0 && y !== 0) }, 'both of the two top Booleans', (x, y) => `${x} & ${y}`],
};
const ops = {};
for (const { name, code, operands } of operations.slice(1)) {
  const [how, words, shown] = machine[name];
  ops[name] = { code, n: operands, ...how, say: (...v) => `${words}: ${shown(...v)}` };
}

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
// then the command itself. Returns the plain words for it; throws a Failure as kel fails.
function execute(m, cmd, names) {
  const slot = (i) => (names[i] === undefined ? `slot ${i}` : `${names[i]} (slot ${i})`);
  const store = () => {
    for (const part of [cmd.bytes.subarray(0, 1), cmd.bytes.subarray(1)]) {
      if (m.len + part.length > codeSize) throw comp('Program too large');
      m.code.set(part, m.len);
      m.len += part.length;
    }
  };
  const push = (v) => {
    if (m.stack.length >= stackSize) throw comp('Stack overflow');
    m.stack.push(v);
  };
  const pop = () => {
    if (m.stack.length === 0) throw comp('Stack underflow');
    return m.stack.pop();
  };
  switch (cmd.name) {
    case 'Val':
      m.words = `push the constant ${cmd.operand}`;
      store();
      push(cmd.operand);
      return m.words;
    case 'Lod':
    case 'Sto': {
      const i = cmd.operand;
      m.words = `${cmd.name === 'Lod' ? 'push the value of' : 'store into'} ${slot(i)}`;
      if (i >= varCount) throw comp('Invalid index');
      store();
      if (cmd.name === 'Lod') {
        push(m.vars[i]);
        return `${m.words}: ${m.vars[i]}`;
      }
      m.vars[i] = pop();
      m.stored.add(i);
      return `${m.words}: ${m.vars[i]}`;
    }
  }
  const op = cmd.op;
  m.words = `the operation ${cmd.name}`;
  if (!op?.n) throw comp('Bug: Invalid operation'); // Null and unknown ones (never generated)
  store();
  // Both operands are taken before any test: y the top, x the value below it.
  const y = pop();
  const args = op.n === 2 ? [pop(), y] : [y];
  m.words = op.say(...args);
  if (op.out) {
    m.output.push(op.out(y));
    return m.words;
  }
  push(op.f(...args));
  return `${m.words} gives ${m.stack[m.stack.length - 1]}`;
}

// The steps of the step view for a run of kel on input (see the header of this file), the
// diagnostic that ended the run, if any, and the variables' names by slot (names, when the
// caller has them from the run's origins).
export function replay(input, result, names = declaredNames(input)) {
  const errLines = writtenLines(result.chunks).filter((l) => l.fd === 2);
  // The machine: the code store and its length, the stack, the variables and which of them were
  // stored, the lines written, and the words for the command being run.
  const m = {
    code: new Uint8Array(codeSize),
    len: 0,
    stack: [],
    vars: new Int32Array(varCount),
    stored: new Set(),
    output: [],
    words: '',
  };
  const steps = [];
  let diagnostic = null;
  let read = 0;
  errLines.forEach(({ text, read: readTo }, traceRow) => {
    const t = traceCommand(text);
    if (!t) {
      if (text !== traceHeader && diagnostic === null) diagnostic = diagnosticOf(text);
      return;
    }
    const cmd = commandOf(t);
    const codeFrom = t.pos;
    m.len = codeFrom; // kel's own position; equal to the replay's when all went well
    let explain;
    let error = null;
    try {
      explain = execute(m, cmd, names);
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      error = e.text;
      explain = `${m.words}, which fails`;
    }
    steps.push({
      index: steps.length + 1,
      traceRow,
      text,
      command: text.slice(tracePrefix.length).trimStart(),
      pos: codeFrom,
      name: cmd.name,
      operand: cmd.operand,
      bytes: cmd.bytes,
      codeFrom,
      codeTo: m.len,
      readFrom: read,
      readTo,
      explain,
      stack: [...m.stack],
      vars: [...m.stored]
        .sort((a, b) => a - b)
        .map((slot) => ({ slot, name: names[slot] ?? null, value: m.vars[slot] })),
      output: [...m.output],
      written: cmd.op?.out && error === null ? m.output[m.output.length - 1] : null,
      error,
    });
    read = readTo;
  });
  if (diagnostic) {
    const failed = steps.length > 0 && steps[steps.length - 1].error !== null;
    diagnostic.at = steps.length;
    diagnostic.failed = failed ? steps.length : null;
  }
  return { steps, diagnostic, names, code: m.code.slice(0, m.len) };
}
