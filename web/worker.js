// The worker that runs kel.wasm, off the page's thread. It is given the compiled module once,
// then one program per message; each run gets a fresh instance (web/kel.js). Everything the page
// shows of a run is worked out here, so that the page only draws it, whatever the program's size:
// the lines kel wrote (web/lines.js), with the source line kel had read when it wrote each, and the
// step view's data (web/replay.js) with each command's origin and what explains it
// (web/origins.js), their byte offsets turned into positions in the decoded text
// (web/positions.js).
import { run } from './kel.js';
import { writtenLines } from './lines.js';
import { origins } from './origins.js';
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

// The run's result for the page. Each step has its origin ({ from, to, line, col } in bytes and
// kel's position, fromChar and toChar in the text) and why, the rest of what origins.js found for
// its command, ranges with their characters too; both null where origins are not shown.
// failedFold is the fold that ended kel, or null; declarations are kel's names as far as checked.
async function runOnce(input) {
  const r = await run(kel, input);
  const rows = lines(r.chunks, input);
  const o = origins(input, r);
  const variables = o.declarations.filter((d) => d.kind === 'variable');
  const { steps, diagnostic, names } = replay(input, r, variables.map((v) => v.name));
  const chars = (x) => ({ ...x, fromChar: charIndex(input, x.from), toChar: charIndex(input, x.to) });
  steps.forEach((s, i) => {
    s.readFromChar = charIndex(input, s.readFrom);
    s.readToChar = charIndex(input, s.readTo);
    if (i >= o.commands.length) {
      s.origin = s.why = null;
      return;
    }
    const { origin, token, ahead, ...why } = o.commands[i];
    s.origin = chars(origin);
    s.why = { ...why, token: chars(token), ahead: chars(ahead) };
  });
  const failedFold = o.failedFold && { ...o.failedFold, origin: chars(o.failedFold.origin) };
  const declarations = o.declarations.map((d) => (d.predeclared ? d : { ...chars(d), ...(d.expr && { expr: chars(d.expr) }) }));
  if (diagnostic) {
    if (diagnostic.kind === 'source') diagnostic.index = positionIndex(input, diagnostic.line, diagnostic.col);
    else diagnostic.line = rows.find((row) => row.fd === 2 && row.text === diagnostic.text)?.from ?? 0;
  }
  return { status: r.status, rows, steps, diagnostic, names, failedFold, declarations };
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
