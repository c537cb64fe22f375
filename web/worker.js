// The worker that runs kel.wasm, off the page's thread. It is given the compiled module once,
// then one program per message; each run gets a fresh instance (web/kel.js). Everything the page
// shows of a run is worked out here, so that the page only draws it, whatever the program's size:
// the lines kel wrote (web/lines.js), with the source line kel had read when it wrote each, and the
// step view's data (web/replay.js) with its byte offsets turned into positions in the decoded
// text (web/positions.js).
import { run } from './kel.js';
import { writtenLines } from './lines.js';
import { charIndex, positionIndex } from './positions.js';
import { replay } from './replay.js';

let kel = null;

// What kel wrote, as lines, each with the source line kel had read up to when it
// wrote it: the line of the last byte read, 0 before any input.
function lines(chunks, input) {
  let lf = 0; // line feeds among the first seen bytes of the input
  let seen = 0;
  return writtenLines(chunks).map(({ fd, text, read }) => {
    if (read - 1 < seen) lf = seen = 0; // only a last line without its end can look back
    for (; seen < read - 1; seen++) if (input[seen] === 10) lf++;
    return { fd, text, from: read > 0 ? lf + 1 : 0 };
  });
}

async function runOnce(input) {
  const r = await run(kel, input);
  const rows = lines(r.chunks, input);
  const { steps, diagnostic, names } = replay(input, r);
  for (const s of steps) {
    s.readFromChar = charIndex(input, s.readFrom);
    s.readToChar = charIndex(input, s.readTo);
  }
  if (diagnostic) {
    if (diagnostic.kind === 'source') diagnostic.index = positionIndex(input, diagnostic.line, diagnostic.col);
    else diagnostic.line = rows.find((row) => row.fd === 2 && row.text === diagnostic.text)?.from ?? 0;
  }
  return { status: r.status, rows, steps, diagnostic, names };
}

self.onmessage = async ({ data }) => {
  if (data.module) {
    kel = data.module;
    return;
  }
  try {
    self.postMessage({ id: data.id, result: await runOnce(data.input) });
  } catch (e) {
    self.postMessage({ id: data.id, error: String(e?.message ?? e) });
  }
};
