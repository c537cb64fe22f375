// kel's JavaScript core: what the playground, the tour and the language server know of kel, one
// copy of each fact and of each derivation, all checked against kel.wasm. No DOM and no node
// module: the page's worker, the language server's worker and the tests load it alike.
//
// Running kel: kel.wasm's host.
export { run, Stopped } from './kel.js';
// Reading what kel wrote: its lines, its trace and its diagnostic, and the bytes that one is about.
export { traceOf } from './lines.js';
export { diagnosticOf, diagnosticRange } from './diagnostic.js';
// Places in the text: byte offsets, characters, and kel's lines and columns.
export { charIndex, linesAndColumns, positionOffset } from './positions.js';
// Facts about kel: keywords and predeclared names, limits, commands and operations, the trace.
export {
  booleanTexts, codeSize, commandHelp, commands, keywords, maxInteger, maxNameLength, maxNesting, maxNumber,
  nameStoreSize, nameStoreTaken, objectCount, operation, operations, predeclared, predeclaredNames, stackSize,
  traceCommand, traceHeader, tracePrefix, varCount,
} from './facts.js';
// kel's scanner.
export { isKeyword, Scanner, Sym } from './tokens.js';
// Derived from a run: the origin of each command and the program's names, the machine after each
// command, and each step in words.
export { origins } from './origins.js';
export { heldWords } from './held.js';
export { replay } from './replay.js';
export { character, excerpt, explain, lookAhead, readOn, shown } from './words.js';
export { failedStackWords, foldWords, noCommandWords, unfinishedWords } from './stops.js';
// The tour's and the predict mode's exercises: each command as a question with its distractors,
// and a task's conditions checked against a run.
export { checkTask, isCommand, questions } from './exercises.js';
