// What the server shares with the playground: kel.wasm's host, and the modules that read what kel
// wrote and map byte offsets to places in the decoded text. One copy of each, in web/.
export { run } from '../../web/kel.js';
export { charIndex, replay, writtenLines } from '../../web/replay.js';
