// What the server shares with the playground, one copy of each, in web/: kel.wasm's host, the
// reader of what kel wrote (its lines, its trace, its diagnostic), kel's tokens, the origins of
// kel's commands and the program's names, and the maps between byte offsets and places in the text.
export { run } from '../../web/kel.js';
export { traceOf } from '../../web/lines.js';
export { origins } from '../../web/origins.js';
export { charIndex, positionOffset } from '../../web/positions.js';
export { Scanner, Sym } from '../../web/tokens.js';
