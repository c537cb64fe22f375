// Checks one text with kel.wasm: kel's diagnostic and the bytes it is about, the value each WRITE
// wrote, and the program's names with what kel says of them. What is shown comes from kel's runs
// or is checked against them: kel's own lines; the origins of its commands (core/origins.js, given
// only while they agree with kel's trace), which tie each Wrt or WrB to its WRITE and a failure to
// its source; and a second run, of the names kel accepted followed by a WRITE of each, whose
// trace and output give each name's class, value or slot, and type. Results are plain data with
// byte offsets, so that they cross unchanged from the worker thread that computes them. A check
// stops where it is, at kel's next read or between its steps, once it is no longer wanted
// (checker.js).
import { parentPort, workerData } from 'node:worker_threads';
import { diagnosticRange, origins, run, Scanner, Stopped, Sym, traceOf } from '../../core/index.js';

const enc = new TextEncoder();

// The lines kel wrote to standard output; the k-th is the value of the k-th Wrt or WrB.
const outputOf = (lines) => lines.filter((l) => l.fd === 1).map((l) => l.text);

// What kel says of the program's names: runs their declarations, as kel accepted them, followed
// by "BEGIN WRITE n1; WRITE n2; ... ." and reads, for the k-th name, the commands 2k and 2k+1 of
// the trace, Val v (a constant) or Lod i (a variable in slot i), then Wrt (INTEGER) or WrB
// (BOOLEAN), and the k-th line of the output (the value). null unless kel agrees with the
// declarations in every one of them.
async function namesOf(module, bytes, decls, dropped) {
  if (decls.length === 0) return [];
  const text = (x) => bytes.subarray(x.from, x.to);
  const consts = decls.filter((d) => d.kind === 'constant');
  const vars = decls.filter((d) => d.kind === 'variable');
  const input = Buffer.concat([
    ...(consts.length ? [enc.encode('CONST ')] : []),
    ...consts.flatMap((d) => [text(d), enc.encode(' = '), text(d.expr), enc.encode(';\n')]),
    ...(vars.length ? [enc.encode('VAR ')] : []),
    ...vars.flatMap((d) => [text(d), enc.encode(` : ${d.type};\n`)]),
    enc.encode(`BEGIN ${decls.map((d) => `WRITE ${d.name}`).join('; ')} .\n`),
  ]);
  const r = await run(module, input, [], dropped);
  const { lines, trace, diagnostic } = traceOf(r.chunks);
  if (r.status !== 0 || diagnostic || trace.length !== 2 * decls.length) return null;
  const output = outputOf(lines);
  const names = [];
  for (const [k, d] of decls.entries()) {
    const [load, write] = [trace[2 * k], trace[2 * k + 1]];
    const kind = load.name === 'Val' ? 'constant' : 'variable';
    const type = write.name === 'WrB' ? 'BOOLEAN' : 'INTEGER';
    if (kind !== d.kind || type !== d.type) return null;
    names.push({
      name: d.name, kind, type, from: d.from, to: d.to, expr: d.expr ?? null,
      value: kind === 'constant' ? output[k] : null,
      slot: kind === 'variable' ? load.operand : null,
    });
  }
  return names;
}

// kel's diagnostic and the bytes it is about (core/diagnostic.js), or null. kel's parser names
// where the token it stopped at starts; the editor's user sees the whole token, or, where kel
// stopped at the end of the text, the place right after the program's last token, where what is
// missing (the final full stop, most often) would go.
function diagnosed(bytes, d, o) {
  if (!d) return null;
  const { from, to } = diagnosticRange(bytes, d, o) ?? { from: 0, to: 0 };
  return { text: d.text, ...(d.who === 'Prsr' ? stoppedAt(bytes, from) : null) ?? { from, to } };
}

// The token that starts at offset, or the end of the last token when only blanks and comments
// follow offset; null when there is none.
function stoppedAt(bytes, offset) {
  const at = (i) => bytes[i];
  const here = new Scanner(at, bytes.length, offset);
  if (here.read() !== Sym.EOF) return here.from === offset ? { from: here.from, to: here.to } : null;
  const all = new Scanner(at, bytes.length);
  let end = -1;
  while (all.read() !== Sym.EOF && all.from < offset && !all.error) end = all.to;
  return end < 0 ? null : { from: end, to: end };
}

async function check(module, bytes, dropped) {
  const r = await run(module, bytes, [], dropped);
  const written = traceOf(r.chunks);
  const { lines } = written;
  if (dropped[0]) throw new Stopped();
  const o = origins(bytes, r, written);
  const output = outputOf(lines);
  const writes = o.commands
    .filter((c) => c.name === 'Wrt' || c.name === 'WrB')
    .map((c, k) => ({ from: c.origin.from, end: c.expressionEnd, value: output[k] ?? null }));
  const own = o.declarations.filter((d) => !d.predeclared);
  if (dropped[0]) throw new Stopped();
  const names = await namesOf(module, bytes, own, dropped);
  return {
    status: r.status,
    lines: lines.map(({ fd, text }) => ({ fd, text })),
    diagnostic: diagnosed(bytes, written.diagnostic, o),
    names: names ?? [],
    writes,
  };
}

// The worker thread's side: checks each text it is sent with the kel.wasm it was started with,
// and stops a check once dropped (checker.js) says so.
export function serve() {
  const { module, dropped } = workerData;
  parentPort.on('message', async (bytes) => {
    let outcome;
    try {
      outcome = await check(module, bytes, dropped);
    } catch (e) {
      outcome = e instanceof Stopped ? { superseded: true } : { error: `kel.wasm failed: ${e?.message ?? e}` };
    }
    parentPort.postMessage(outcome);
  });
}
