// kel's code store and machine, as its emitters fill and run them: a command goes into the store
// by two writes and then runs on the stack and the variables, with kel's checks, kel's arithmetic
// (arith.js) and kel's messages. The store's and the stack's limits are known here only: the
// replay (replay.js) runs kel's trace on this machine with values, and the mirror of kel's parser
// (mirror.js) keeps the types of the same values on a stack by the same push, so that both
// stop where kel's machine refuses a command for want of room. No DOM.
import { Failure, binary, div, neg, not, sub } from './arith.js';
import { booleanTexts, codeSize, commands, operations, stackSize, varCount } from './facts.js';

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

// A command of size bytes into the code store m.len bytes long, as kel's emitters write it: its
// function byte, then its operand. A write that does not fit is refused whole, and kel stops; the
// command has not run.
export function write(m, size) {
  for (const part of [1, size - 1]) {
    if (m.len + part > codeSize) throw comp('Program too large');
    m.len += part;
  }
}

// v onto the stack m.stack; a value more than the stack holds stops kel, the stack as it was.
export function push(m, v) {
  if (m.stack.length >= stackSize) throw comp('Stack overflow');
  m.stack.push(v);
}

// The bytes of a command: its function byte, then its operand, least significant byte first.
function encode(fct, operand) {
  if (fct === commands.Opr.code) return Uint8Array.of(fct, operand);
  const b = new Uint8Array(5);
  b[0] = fct;
  new DataView(b.buffer).setUint32(1, operand >>> 0, true);
  return b;
}

// One trace line's command as the machine runs it: its name and operand, its bytes, and what it
// does to the machine.
export function commandOf({ name, operand }) {
  if (name in commands) return { name, operand, bytes: encode(commands[name].code, operand) };
  const op = ops[name];
  return { name, operand, op, bytes: op ? encode(commands.Opr.code, op.code) : Uint8Array.of(commands.Opr.code) };
}

// Runs one command on the machine m as kel does: the check, the two writes to the code store,
// then the command itself. Records in m.taken the values it took from the stack or from a
// variable, bottom first, and in m.pushed the value it pushed (null for none); throws a Failure
// as kel fails.
export function execute(m, cmd) {
  const store = () => write(m, cmd.bytes.length);
  const pushed = (v) => {
    push(m, v);
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
      pushed(cmd.operand);
      return;
    case 'Lod':
    case 'Sto': {
      const i = cmd.operand;
      if (i >= varCount) throw comp('Invalid index');
      store();
      if (cmd.name === 'Lod') {
        m.taken = [m.vars[i]];
        pushed(m.vars[i]);
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
  else pushed(op.f(...args));
}

// A machine as kel's start-up leaves it: the code store's length, the stack, the variables (0
// until stored) and which of them were stored, the lines written, and what the command being run
// took and pushed.
export function newMachine() {
  return { len: 0, stack: [], vars: new Int32Array(varCount), stored: new Set(), output: [], taken: [], pushed: null };
}
