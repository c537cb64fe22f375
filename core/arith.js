// kel's arithmetic on its values, the one copy that both kel's machine (machine.js) and the
// folding of constant expressions (parser.js) use, so that a folded and an executed result
// cannot disagree: signed 32-bit results, never wrapped, and floored division by a positive
// divisor. A result kel cannot give ends kel with a fatal run-time error, thrown here as a
// Failure carrying kel's line. Booleans are 0 (FALSE) and 1 (TRUE); any other value read as a
// Boolean is TRUE.

// How kel ends a run: the diagnostic line it writes.
export class Failure {
  constructor(text) {
    this.text = text;
  }
}

const fatal = (kind) => new Failure(`Fatal error: ${kind}.`);

// The exact result must fit in 32 bits. A double holds every sum of two 32-bit values exactly,
// and a product that it rounds is far out of range anyway.
function checked(r) {
  if (r < -0x80000000 || r > 0x7fffffff) throw fatal('Integer overflow');
  return r + 0; // no -0
}

export const add = (x, y) => checked(x + y);
export const sub = (x, y) => checked(x - y);
export const mul = (x, y) => checked(x * y);
export const neg = (x) => checked(-x);

// The floored quotient; the machine tests for a zero divisor itself, with its own message, before
// it calls this.
export function div(x, y) {
  if (y === 0) throw fatal('Division by zero');
  if (y < 0) throw fatal('Negative divisor');
  return Math.floor(x / y) + 0; // exact: the quotient is never within rounding of an integer
}

export const truth = (x) => x !== 0;
export const value = (b) => (b ? 1 : 0);

// kel's binary operations by name: x op y, y the right operand, which the machine has on top.
export const binary = {
  Add: add,
  Sub: sub,
  Mul: mul,
  Div: div,
  Eql: (x, y) => value(x === y),
  Neq: (x, y) => value(x !== y),
  Lss: (x, y) => value(x < y),
  Leq: (x, y) => value(x <= y),
  Gtr: (x, y) => value(x > y),
  Geq: (x, y) => value(x >= y),
  Or: (x, y) => value(truth(x) || truth(y)),
  And: (x, y) => value(truth(x) && truth(y)),
};

export const not = (x) => value(!truth(x));
