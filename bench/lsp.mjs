// The language server's figures: the time from a change of a document to its diagnostics, as a
// client sees it (didChange sent to publishDiagnostics for that version received, the server's
// pause of 150 ms after a change included), for a program of 100 lines and one of 1 MiB (1000
// lines of comments above it); each change alternates between a clean text and one with an error.
// Then typing: 30 keys at 10 a second into the program of 1 MiB, each a change of a part followed
// by a request for inlay hints, as VS Code sends them; the time from the last key to its
// diagnostics, and the server's processor time over the 30 keys (from /proc, Linux only). Also the
// size of the .vsix (editors/vscode/pack). Medians and extremes over the rounds. Nothing here
// passes or fails. Needs build-wasm/kel.wasm and `npm ci` in editors/.
//   node bench/lsp.mjs [--rounds N]
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { root } from '../tests/editors/editors.mjs';
import { start } from '../tests/editors/lsp.mjs';

const rounds = Number(process.argv[process.argv.indexOf('--rounds') + 1]) || 15;
const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];
const ms = (x) => `${x.toFixed(0)} ms`;
const summary = (xs) => `median ${ms(median(xs))}, ${ms(Math.min(...xs))} to ${ms(Math.max(...xs))}`;

// 100 lines: declarations, then assignments and WRITEs; k decides the last WRITE, an odd k an
// error there.
function program(k) {
  const lines = ['CONST limit = 40; half = limit / 2;', 'VAR x : INTEGER; b : BOOLEAN;', 'BEGIN'];
  for (let i = 0; lines.length < 98; i++) lines.push(i % 2 ? `  x := ${i} * half;` : '  WRITE x;');
  lines.push(k % 2 ? `  WRITE x + ${k} ,` : `  WRITE x + ${k}`, '.');
  return lines.join('\n') + '\n';
}
const comment = `(* ${'one mebibyte of source above the program, which kel reads '.padEnd(1016, '.')} *)\n`;
const large = (k) => comment.repeat(((1 << 20) - program(k).length) / comment.length | 0) + program(k);

const c = start();
await c.init();
const figures = {};
for (const [what, text] of [['a program of 100 lines', program], ['a program of 1 MiB', large]]) {
  const uri = `file:///bench/${text.name}.kel`;
  await c.open(uri, text(0));
  const times = [];
  for (let v = 2; v < rounds + 2; v++) {
    const t0 = performance.now();
    c.change(uri, v, text(v));
    while ((await c.diagnostics(uri)).params.version !== v);
    times.push(performance.now() - t0);
  }
  figures[`change to diagnostics, ${what} (${text(0).length} bytes)`] = summary(times);
}

// The processor time the server's process has used, in ms, where /proc tells it.
const stat = `/proc/${c.child.pid}/stat`;
const cpu = () => {
  if (!existsSync(stat)) return NaN;
  const [utime, stime] = readFileSync(stat, 'utf8').split(') ')[1].split(' ').slice(11, 13).map(Number);
  return ((utime + stime) * 1000) / 100; // clock ticks of 10 ms
};
const typing = { last: [], cpu: [] };
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
for (let round = 0; round < Math.max(3, rounds / 3); round++) {
  const uri = `file:///bench/typing${round}.kel`;
  await c.open(uri, large(0));
  const line = large(0).split('\n').length - 3; // '  WRITE x + 0', before the last line
  const cpu0 = cpu();
  let t0;
  for (let k = 1; k <= 30; k++) {
    await sleep(100);
    t0 = performance.now();
    c.edit(uri, k + 1, [[line, 2, line, 2], ' ']);
    const range = { start: { line: 0, character: 0 }, end: { line: line + 2, character: 0 } };
    c.request('textDocument/inlayHint', { textDocument: { uri }, range });
  }
  while ((await c.diagnostics(uri)).params.version !== 31);
  typing.last.push(performance.now() - t0);
  typing.cpu.push(cpu() - cpu0);
  c.notify('textDocument/didClose', { textDocument: { uri } });
}
figures['30 keys at 10 a second into 1 MiB, an inlayHint after each: the last key to its diagnostics'] = summary(typing.last);
figures['30 keys at 10 a second into 1 MiB, an inlayHint after each: the server\'s processor time'] = summary(typing.cpu);
await c.request('shutdown');
c.notify('exit');

const dir = mkdtempSync(join(tmpdir(), 'kel-bench-'));
try {
  execFileSync(join(root, 'editors/vscode/pack'), [join(dir, 'kel.vsix')], { stdio: 'ignore' });
  figures['.vsix'] = `${(statSync(join(dir, 'kel.vsix')).size / 1024).toFixed(0)} KiB`;
} finally {
  rmSync(dir, { recursive: true, force: true });
}
console.log(`language server figures, ${new Date().toISOString().slice(0, 10)}, ${rounds} rounds, node ${process.version}:`);
for (const [what, figure] of Object.entries(figures)) console.log(`  ${what}: ${figure}`);
