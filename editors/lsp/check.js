// Checks one text with kel.wasm: kel's diagnostic, the value each WRITE wrote, and the program's
// names with what kel says of them. Everything shown comes from kel's runs: the program's own, and
// one of its accepted declarations followed by a WRITE of each name, whose trace and output give
// each name's class, value or slot, and type. Results are plain data with byte offsets, so that
// they cross from the worker that computes them (check-worker in the server's entry) unchanged.
import { parentPort, workerData } from 'node:worker_threads';
import { outline } from './outline.js';
import { positionOffset, replay, run, writtenLines } from './shared.js';

const enc = new TextEncoder();

// What kel says of each declared name: runs the accepted declarations followed by
// "BEGIN WRITE n1; WRITE n2; ... ." and reads, for the k-th name, the commands 2k and 2k+1 of the
// trace: Val v (a constant of value v) or Lod i (a variable in slot i), then Wrt (INTEGER) or WrB
// (BOOLEAN). Anything else, and the names stay unknown.
async function namesOf(module, bytes, decls) {
  if (decls.length === 0) return [];
  const end = decls[decls.length - 1].end;
  const tail = enc.encode(`\nBEGIN ${decls.map((d) => `WRITE ${d.name}`).join('; ')} .\n`);
  const input = new Uint8Array(end + tail.length);
  input.set(bytes.subarray(0, end));
  input.set(tail, end);
  const r = await run(module, input);
  const { steps, diagnostic } = replay(input, r);
  if (r.status !== 0 || diagnostic || steps.length !== 2 * decls.length) return null;
  return decls.map((d, k) => {
    const [load, write] = [steps[2 * k], steps[2 * k + 1]];
    const type = write.name === 'WrB' ? 'BOOLEAN' : 'INTEGER';
    const constant = load.name === 'Val';
    return {
      name: d.name,
      kind: constant ? 'constant' : 'variable',
      from: d.from,
      to: d.to,
      type,
      value: constant ? write.written : null,
      slot: constant ? null : load.operand,
      end: d.end,
      expr: d.expr,
    };
  });
}

// kel's diagnostic with the bytes it is about, and how far kel got: the declarations that end at
// or before accept were accepted, and kel had read the bytes before read. A source error is about
// the character at its line and column, where kel stopped. A run-time error is about the command
// that failed, or the fold that failed where none did, which kel found with the last byte it read
// as its one character of look-ahead.
function diagnose(bytes, r, steps, diagnostic, o) {
  const all = { diag: null, accept: bytes.length, read: bytes.length };
  if (!diagnostic) return all;
  const diag = { text: diagnostic.text, kind: diagnostic.kind, from: 0, to: 0 };
  if (diagnostic.kind === 'source') {
    diag.from = diag.to = positionOffset(bytes, diagnostic.line, diagnostic.col);
    return { diag, accept: diag.from, read: diag.from };
  }
  if (diagnostic.kind !== 'runtime') return { diag, accept: -1, read: 0 };
  const failed = diagnostic.failed ? steps[diagnostic.failed - 1] : null;
  const read = failed ? failed.readTo : (r.chunks.findLast((c) => c.fd === 2)?.read ?? 0);
  const last = Math.max(0, read - 2); // in the last token kel had read
  const at = o.statements.find((s) => s.from <= last && last <= s.to) ??
    o.decls.find((d) => d.from <= last && last < d.end);
  if (at) [diag.from, diag.to] = [at.from, at.to];
  return { diag, accept: failed ? bytes.length : read - 2, read };
}

export async function check(module, bytes) {
  const r = await run(module, bytes);
  const lines = writtenLines(r.chunks).map(({ fd, text }) => ({ fd, text }));
  const { steps, diagnostic } = replay(bytes, r);
  const o = outline(bytes);
  const { diag, accept, read } = diagnose(bytes, r, steps, diagnostic, o);
  // Each WRITE wrote the value of its Wrt or WrB command: the k-th of them.
  const wrote = steps.filter((s) => s.name === 'Wrt' || s.name === 'WrB');
  const writes = o.writes.map((w, k) => ({
    from: w.from,
    to: w.to,
    end: w.expr?.to ?? w.to,
    value: wrote[k]?.written ?? null,
    error: wrote[k]?.error ?? null,
  }));
  const decls = o.decls.filter((d) => d.end <= accept);
  const names = await namesOf(module, bytes, decls);
  const refs = names ? o.refs.filter((ref) => ref.decl < names.length && ref.from < read) : [];
  return { status: r.status, lines, diagnostic: diag, names: names ?? [], refs, writes };
}

// The worker's side: checks each text it is sent with the kel.wasm it was started with.
export function serve() {
  const { module } = workerData;
  parentPort.on('message', async (bytes) => {
    try {
      parentPort.postMessage(await check(module, bytes));
    } catch (e) {
      parentPort.postMessage({ error: `kel.wasm failed: ${e?.message ?? e}` });
    }
  });
}
