// The worker that runs kel.wasm, off the page's thread. It is given the compiled module once,
// then one program per message; each run gets a fresh instance (web/kel.js). Everything the page
// shows of a run is worked out here, so that the page only draws it, whatever the program's size:
// the lines kel wrote, with the source line kel had read when it wrote each, and the step view's
// data (web/replay.js) with its byte offsets turned into positions in the decoded text.
import { run } from './kel.js';
import { charIndex, positionIndex, replay } from './replay.js';

let kel = null;

// What kel wrote, as lines: the text of each up to its CR LF, its channel (1 or 2), and the
// source line kel had read up to when it wrote it (0 before any input).
function lines(chunks, input) {
  const out = [];
  const open = { 1: '', 2: '' }; // per channel, the line not yet ended
  const decoders = { 1: new TextDecoder(), 2: new TextDecoder() };
  let lf = 0; // line feeds among the first seen bytes of the input
  let seen = 0;
  let line = 0;
  for (const c of chunks) {
    // The line of the last byte read: one more than the line feeds before it.
    for (; seen < c.read - 1; seen++) if (input[seen] === 10) lf++;
    line = c.read > 0 ? lf + 1 : 0;
    const parts = (open[c.fd] + decoders[c.fd].decode(c.bytes, { stream: true })).split('\r\n');
    open[c.fd] = parts.pop();
    for (const text of parts) out.push({ fd: c.fd, text, from: line });
  }
  for (const fd of [1, 2]) {
    const rest = open[fd] + decoders[fd].decode();
    if (rest) out.push({ fd, text: rest, from: line });
  }
  return out;
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
