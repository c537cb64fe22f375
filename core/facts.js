// Facts about kel, each once, for every module that reads kel's source or what kel wrote (the
// highlighter, the step view, the language server): its keywords and predeclared names, its
// limits, its commands and operations, and how a line of its generation trace reads. A run and
// its trace come from kel.wasm; the step view's replay (replay.js) runs that trace again on kel's
// machine (machine.js) by these facts to show the machine at each step, and is checked against
// kel.wasm by the tests.

// The four keywords, in the order of their token kinds (Sym.Const to Sym.Wrt in tokens.js).
export const keywords = ['CONST', 'VAR', 'BEGIN', 'WRITE'];

// The names kel enters before it reads a program, in its order: their index is their entry in
// its object table. Booleans are the values 0 (FALSE) and 1 (TRUE).
export const predeclaredNames = [
  { name: 'FALSE', kind: 'constant', type: 'BOOLEAN', value: 0 },
  { name: 'TRUE', kind: 'constant', type: 'BOOLEAN', value: 1 },
  { name: 'BOOLEAN', kind: 'type', type: 'BOOLEAN' },
  { name: 'INTEGER', kind: 'type', type: 'INTEGER' },
];
export const predeclared = predeclaredNames.map((p) => p.name);

// What kel writes for a Boolean: FALSE for 0, TRUE for any other value.
export const booleanTexts = ['FALSE', 'TRUE'];

// Limits.
export const maxNumber = 4294967295; // the largest number the scanner reads
export const maxInteger = 2147483647; // the largest number a program may use
export const nameStoreSize = 1024; // bytes of the identifier store: each entry is 1 + its length
// The store's bytes that the keywords and the predeclared names take before a program's first name.
export const nameStoreTaken = [...keywords, ...predeclared].reduce((n, w) => n + 1 + w.length, 0);
export const maxNameLength = 254;
export const objectCount = 32; // the object table: the predeclared names and 28 declared ones
export const maxNesting = 1000; // levels of "(" and "~" in one factor
export const codeSize = 1024; // bytes of the code store, for the whole program
export const stackSize = 32;
export const varCount = 32;

// The commands: their function byte, their size in the code store, and what each does, as an
// instruction reference says it.
export const commands = {
  Val: { code: 1, size: 5, does: 'push the constant written after it' },
  Lod: { code: 2, size: 5, does: 'push the value of the variable in the slot written after it' },
  Sto: { code: 3, size: 5, does: 'pop the top and store it in the variable in the slot written after it' },
  Opr: { code: 4, size: 2, does: 'apply the operation whose byte follows' },
};

// The operations of Opr, by code: the name the trace gives (it writes "Or" as "Or "), the
// number of values taken from the stack, the type of the value pushed (none for the two that
// write), and what it does. "The lower" is the value below the top.
export const operations = [
  ['Null', 0, null, 'no operation: kel never generates it'],
  ['Wrt', 1, null, 'pop the top and write it as a number'],
  ['WrB', 1, null, 'pop the top and write it as a Boolean, TRUE or FALSE'],
  ['Neg', 1, 'INTEGER', 'replace the top by its negation'],
  ['Add', 2, 'INTEGER', 'pop two values and push their sum'],
  ['Sub', 2, 'INTEGER', 'pop two values and push the lower minus the top'],
  ['Mul', 2, 'INTEGER', 'pop two values and push their product'],
  ['Div', 2, 'INTEGER', 'pop two values and push the lower divided by the top, rounded down; the top must be positive'],
  ['Bus', 2, 'INTEGER', 'Sub turned round: pop two values and push the top minus the lower'],
  ['Vid', 2, 'INTEGER', 'Div turned round: pop two values and push the top divided by the lower, rounded down; the lower must be positive'],
  ['Eql', 2, 'BOOLEAN', 'pop two values and push TRUE if they are equal'],
  ['Neq', 2, 'BOOLEAN', 'pop two values and push TRUE if they differ'],
  ['Lss', 2, 'BOOLEAN', 'pop two values and push TRUE if the lower is less than the top'],
  ['Leq', 2, 'BOOLEAN', 'pop two values and push TRUE if the lower is less than or equal to the top'],
  ['Gtr', 2, 'BOOLEAN', 'pop two values and push TRUE if the lower is greater than the top'],
  ['Geq', 2, 'BOOLEAN', 'pop two values and push TRUE if the lower is greater than or equal to the top'],
  ['Not', 1, 'BOOLEAN', 'replace the Boolean on top by its negation'],
  ['Or', 2, 'BOOLEAN', 'pop two Booleans and push TRUE if either is TRUE'],
  ['And', 2, 'BOOLEAN', 'pop two Booleans and push TRUE if both are TRUE'],
].map(([name, operands, result, does], code) => ({ name, code, operands, result, does }));
export const operation = Object.fromEntries(operations.map((o) => [o.name, o]));

// The operations kel turns round, in pairs that work both ways: where the left operand of -, /
// or a relation <, <=, >, >= is a constant held back, which lies on top, kel generates the other
// of the pair, which takes the top as its left operand. Every other operation gives the same
// result whichever way round its operands lie.
export const turnedRound = Object.fromEntries(
  [['Sub', 'Bus'], ['Div', 'Vid'], ['Lss', 'Gtr'], ['Leq', 'Geq']].flatMap(([a, b]) => [[a, b], [b, a]]),
);

// A command's entry in the instruction reference, by the name the trace gives it (Val, Lod, Sto
// or an operation): its bytes and what it does. Undefined for a name kel never generates.
export function commandHelp(name) {
  const hex = (b) => b.toString(16).toUpperCase().padStart(2, '0');
  const c = commands[name];
  if (c) return `${name}: byte ${hex(c.code)}, then its operand in 4 bytes; ${c.does}.`;
  const o = operation[name];
  if (!o?.code) return undefined;
  return `${o.name}: bytes ${hex(commands.Opr.code)} ${hex(o.code)}, the command Opr with this operation; ${o.does}.`;
}

// The generation trace: a header line once, then one line per command: the prefix, the
// command's position in the code store right-aligned in 4 columns, ":  ", its name and, for Val,
// Lod and Sto, a blank and the operand.
export const traceHeader = 'Comp.DebugG:  pos';
export const tracePrefix = 'Comp.DebugG: ';
const traceLine = /^Comp\.DebugG: +(\d+):  ([A-Za-z?]+) ?(-?\d+)?$/;

// A trace line as { pos, name, operand } (operand undefined for an operation), or null for any
// other line.
export function traceCommand(text) {
  const t = traceLine.exec(text);
  if (!t) return null;
  return { pos: Number(t[1]), name: t[2], operand: t[3] === undefined ? undefined : Number(t[3]) };
}
