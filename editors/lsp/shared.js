// What the server shares with the playground: kel.wasm's host, and the modules that read what kel
// wrote, map byte offsets to places in the decoded text and read kel's tokens. One copy of each,
// in web/.
export { run } from '../../web/kel.js';
export { writtenLines } from '../../web/lines.js';
export { charIndex, positionOffset } from '../../web/positions.js';
export { replay } from '../../web/replay.js';
export { Scanner, Sym } from '../../web/tokens.js';
