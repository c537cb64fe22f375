// The language server's figures: the time from a change of a document to its diagnostics, as a
// client sees it (didChange sent to publishDiagnostics for that version received, the server's
// pause of 150 ms after a change included), for a program of 100 lines and one of 1 MiB (1000 lines
// of comments above it); each change alternates between a clean text and one with an error. Then
// typing: 30 keys at 10 a second into the program of 1 MiB, each a change of a part followed by a
// request for inlay hints, as VS Code sends them; the time from the last key to its diagnostics,
// and the server's processor time over the 30 keys (from /proc, Linux only). The time of a
// completion and of a code action on a program of 10,000 lines, the completion right after a change
// and the code action once the check is published: the first request on a text (which reads its
// tokens) and the next. The server's resident memory (from /proc) after 1,000 and 2,000 edits of
// the program of 100 lines, typed in bursts of ten, each edit followed by a completion, as typing
// with completion sends them, each burst then checked. Also the size of the .vsix
// (editors/vscode/pack). Medians and extremes over the rounds. Nothing here passes or fails. Needs
// build-wasm/kel.wasm and `npm ci` in editors/.
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

// 10,000 lines: a variable, then a comment on each line and a statement on every 100th (kel's
// code store holds 1024 bytes of commands for the whole program), the last of them an assignment
// to an undeclared variable, which the code action declares. The first line is a comment that k
// changes, so that each k is another text. Completion is asked for after the last ":=".
const tall = (k) => {
  const lines = [`(* ${k} *)`, 'VAR x : INTEGER;', 'BEGIN x := 1;'];
  for (let i = 3; lines.length < 9999; i++) {
    lines.push(i % 100 ? `  (* line ${i}: a remark on the statements around it *)` : '  WRITE x;');
  }
  lines.push('  y := x .');
  return lines.join('\n') + '\n';
};
const last = { line: 9999, character: 7 };
const timed = async (method, uri, params) => {
  const t0 = performance.now();
  const r = await c.request(method, { textDocument: { uri }, ...params });
  if (!r.result?.length && !r.result?.items?.length) throw new Error(`${method}: ${JSON.stringify(r)}`);
  return performance.now() - t0;
};
{
  const uri = 'file:///bench/tall.kel';
  // Completion is answered from the text alone, at once: asked for right after the change. A
  // code action needs kel's diagnostic: asked for once the check is published.
  const ask = {
    completion: { checked: false, request: (u) => timed('textDocument/completion', u, { position: last }) },
    'code action': {
      checked: true,
      request: (u) => {
        const range = { start: { line: 9999, character: 2 }, end: { line: 9999, character: 2 } };
        return timed('textDocument/codeAction', u, { range, context: { diagnostics: published.diagnostics } });
      },
    },
  };
  let published = await c.open(uri, tall(0));
  let v = 1;
  for (const [what, { checked, request }] of Object.entries(ask)) {
    const [first, again] = [[], []];
    for (let i = 0; i < rounds; i++) {
      c.change(uri, ++v, tall(v));
      if (checked) while ((published = (await c.diagnostics(uri)).params).version !== v);
      first.push(await request(uri));
      again.push(await request(uri));
    }
    figures[`${what}, a program of 10,000 lines (${tall(0).length} bytes), first on its text`] = summary(first);
    figures[`${what}, a program of 10,000 lines, again`] = summary(again);
  }
}

// The server's resident memory, in MiB, from /proc.
const resident = () => {
  const kib = /VmRSS:\s+(\d+) kB/.exec(readFileSync(`/proc/${c.child.pid}/status`, 'utf8'))?.[1];
  return `${(Number(kib) / 1024).toFixed(0)} MiB`;
};
for (const name of ['program', 'large', 'tall']) {
  c.notify('textDocument/didClose', { textDocument: { uri: `file:///bench/${name}.kel` } });
}
{
  const uri = 'file:///bench/edits.kel';
  await c.open(uri, program(0));
  const seen = [resident()];
  const position = { line: 97, character: 8 };
  for (let v = 2; v < 2002; v++) {
    c.change(uri, v, program(v));
    await c.request('textDocument/completion', { textDocument: { uri }, position });
    if (v % 10 !== 1) continue;
    // The end of a burst: the pause, and the check of its last text.
    while ((await c.diagnostics(uri)).params.version !== v);
    if (v % 1000 !== 1) continue;
    await new Promise((r) => setTimeout(r, 1000));
    seen.push(resident());
  }
  figures['resident memory of the server, a program of 100 lines open; after 1,000 edits, each with a completion; after 2,000'] =
    seen.join(', ');
}
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
