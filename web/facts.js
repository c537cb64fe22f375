// Facts about kel, each once, for every module that reads kel's source or what kel wrote (the
// highlighter, the step view, the language server): its keywords and predeclared names, its
// limits, its commands and operations, and how a line of its generation trace reads. What kel
// can answer itself (a run, a value) is asked of kel.wasm, not derived from these.

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
export const maxNameLength = 254;
export const objectCount = 32; // the object table: the predeclared names and 28 declared ones
export const maxNesting = 1000; // levels of "(" and "~" in one factor
export const codeSize = 1024; // bytes of the code store, for the whole program
export const stackSize = 32;
export const varCount = 32;

// The commands: their function byte and their size in the code store.
export const commands = {
  Val: { code: 1, size: 5 },
  Lod: { code: 2, size: 5 },
  Sto: { code: 3, size: 5 },
  Opr: { code: 4, size: 2 },
};

// The operations of Opr, by code: the name the trace gives (it writes "Or" as "Or "), the
// number of values taken from the stack, and the type of the value pushed (none for the two that
// write).
export const operations = [
  ['Null', 0, null],
  ['Wrt', 1, null],
  ['WrB', 1, null],
  ['Neg', 1, 'INTEGER'],
  ['Add', 2, 'INTEGER'],
  ['Sub', 2, 'INTEGER'],
  ['Mul', 2, 'INTEGER'],
  ['Div', 2, 'INTEGER'],
  ['Bus', 2, 'INTEGER'],
  ['Vid', 2, 'INTEGER'],
  ['Eql', 2, 'BOOLEAN'],
  ['Neq', 2, 'BOOLEAN'],
  ['Lss', 2, 'BOOLEAN'],
  ['Leq', 2, 'BOOLEAN'],
  ['Gtr', 2, 'BOOLEAN'],
  ['Geq', 2, 'BOOLEAN'],
  ['Not', 1, 'BOOLEAN'],
  ['Or', 2, 'BOOLEAN'],
  ['And', 2, 'BOOLEAN'],
].map(([name, operands, result], code) => ({ name, code, operands, result }));
export const operation = Object.fromEntries(operations.map((o) => [o.name, o]));

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
