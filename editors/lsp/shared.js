// What the server shares with the playground, one copy of each, in web/: kel.wasm's host, the
// reader of what kel wrote (its lines, its trace, its diagnostic), the text the diagnostic is
// about, the origins of kel's commands and the program's names, and the map from byte offsets to
// places in the text.
export { diagnosticRange } from '../../web/diagnostic.js';
export { run } from '../../web/kel.js';
export { traceOf } from '../../web/lines.js';
export { origins } from '../../web/origins.js';
export { charIndex } from '../../web/positions.js';
