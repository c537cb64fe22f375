// kel.wasm under node, through the page's host (core/kel.js): every example's standard output,
// error output and status, byte for byte as kept in examples/, then all of them once more in the
// same process, in the other order, to show that no run leaves anything to the next.
//   node --test-reporter=tap tests/web/node.test.mjs [build-wasm/kel.wasm]
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { test } from 'node:test';
import { run, Stopped } from '../../core/index.js';

const root = new URL('../../', import.meta.url);
const wasm = process.argv[2] ?? new URL('build-wasm/kel.wasm', root);
const kel = await WebAssembly.compile(readFileSync(wasm));
const example = (name, part) => readFileSync(new URL(`examples/${name}.${part}`, root));
const names = readdirSync(new URL('examples/', root))
  .filter((f) => f.endsWith('.kel'))
  .map((f) => f.slice(0, -4));

for (const [order, again] of [[names, ''], [[...names].reverse(), ' again']]) {
  for (const name of order) {
    test(`example ${name}${again}`, async () => {
      const r = await run(kel, example(name, 'kel'));
      assert.deepEqual(Buffer.from(r.stdout), example(name, 'stdout'));
      assert.deepEqual(Buffer.from(r.stderr), example(name, 'stderr'));
      assert.equal(`${r.status}\n`, example(name, 'status').toString());
    });
  }
}

// Input goes to kel a byte per read, so each write shows exactly what kel had read: here the
// source read since the previous write, then each line written. The ";" after x is the one
// character of look-ahead that ends the name; the "." is the token after 0 that ends the term
// whose folding divides by zero.
test('each write tells exactly how far kel had read', async () => {
  const src = 'VAR x : INTEGER;\nBEGIN\n  x := 6 * 7;\n  WRITE x;\n  WRITE 1 / 0 .\n';
  const r = await run(kel, new TextEncoder().encode(src));
  const dec = new TextDecoder();
  let read = 0;
  const lines = r.chunks.flatMap((c) => {
    const seen = src.slice(read, c.read);
    read = c.read;
    return dec.decode(c.bytes).split('\r\n').slice(0, -1).map((t, i) => [i ? '' : seen, t]);
  });
  assert.deepEqual(lines, [
    ['VAR x : INTEGER;\nBEGIN\n  x := 6 * 7;\n', 'Comp.DebugG:  pos'],
    ['', 'Comp.DebugG:    0:  Val 42'],
    ['', 'Comp.DebugG:    5:  Sto 0'],
    ['  WRITE x;', 'Comp.DebugG:   10:  Lod 0'],
    ['\n', 'Comp.DebugG:   15:  Wrt'],
    ['', '42'],
    ['  WRITE 1 / 0 .\n', 'Fatal error: Division by zero.'],
  ]);
  assert.equal(r.status, 9);
});

// A run that is no longer wanted ends where kel next reads, and leaves nothing to the next run.
// The flag here counts how often it is read, and is set from the eleventh read on.
test('a run told to stop ends at its next read', async () => {
  const src = new TextEncoder().encode('BEGIN WRITE 1; WRITE 2 .');
  let asked = 0;
  const flag = { get 0() { return ++asked > 10 ? 1 : 0; } };
  await assert.rejects(run(kel, src, [], flag), Stopped);
  assert.equal(asked, 11);
  assert.equal((await run(kel, src)).status, 0);
});
