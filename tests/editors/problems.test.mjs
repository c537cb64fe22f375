// kel's diagnostics where the editors show them, against one table of programs and the one
// problem each must give: vim's quickfix entry after ":compiler kel" and ":make", and what VS
// Code's problem matchers (editors/vscode/package.json) make of kel's real output. kel names no
// file, so both must supply it; the file here has blanks in its name and in its folder's.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, posix } from 'node:path';
import { test } from 'node:test';
import { editors, kel, noVim, vim } from './editors.mjs';

// A problem: [line, column, message], line and column 0 for an error of the run, which has no
// position; null for a program that runs to its end (its trace and output are no problems).
const cases = [
  ['VAR x : INTEGER;\nBEGIN\n  x := 1;\n  WRITE x\n  WRITE 2\n.\n', [5, 3, 'Expected ";" or ".".']],
  ['BEGIN WRITE 1, .', [1, 14, 'Invalid character.']],
  ['BEGIN\n  (* (* inner *) outer never ends .', [2, 3, 'Unterminated comment (start pos).']],
  ['VAR zero : INTEGER;\nBEGIN WRITE 1; WRITE 1 / zero .', [0, 0, 'Division by zero.']],
  ['BEGIN WRITE 2147483647 + 1 .', [0, 0, 'Integer overflow.']],
  ['VAR x : INTEGER; BEGIN x := 6 * 7; WRITE x > 40 .', null],
];

function withSource(src, body) {
  const dir = mkdtempSync(join(tmpdir(), 'kel-problems-'));
  const file = join(dir, 'a folder', 'my program.kel');
  mkdirSync(join(dir, 'a folder'));
  writeFileSync(file, src);
  try {
    return body(file);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The problems VS Code reports for one line of a task's output, by the rules of its problem
// matchers: the regexp's groups give file, line, column and message; the file is trimmed and a
// problem needs a non-empty one, a message, and a line unless the pattern is of kind "file"; the
// file is then taken relative to the path that fileLocation names, with ${file} resolved.
const { problemMatchers } = JSON.parse(readFileSync(join(editors, 'vscode/package.json'), 'utf8')).contributes;

function vscodeProblems(text, file) {
  const found = [];
  for (const m of problemMatchers) {
    const p = m.pattern;
    const g = new RegExp(p.regexp).exec(text);
    if (!g) continue;
    const name = g[p.file]?.trim();
    if (!name || !g[p.message] || (p.kind !== 'file' && !g[p.line])) continue;
    assert.equal(m.fileLocation[0], 'relative');
    const path = posix.join(m.fileLocation[1].replace('${file}', file), name);
    const [line, column] = p.kind === 'file' ? [0, 0] : [Number(g[p.line]), Number(g[p.column])];
    found.push([m.name, path, line, column, g[p.message]]);
  }
  return found;
}

test("VS Code's problem matchers on kel's output", () => {
  const got = cases.map(([src]) => withSource(src, (file) => {
    // The terminal of a task shows both channels; every line kel writes ends with CR LF.
    const r = spawnSync('sh', ['-c', '"$0" "$1" 2>&1', kel, file], { encoding: 'utf8' });
    assert.match(r.stdout, /\r\n$/);
    return r.stdout.split('\n').flatMap((l) => vscodeProblems(l, file)).map(([name, path, ...rest]) => {
      assert.equal(path, file);
      return [name, ...rest];
    });
  }));
  const want = cases.map(([, p]) => (p ? [[p[0] ? 'kel' : 'kel-run', ...p]] : []));
  assert.deepEqual(got, want);
});

test("vim's quickfix list after :compiler kel and :make", { skip: noVim }, () => {
  const got = cases.map(([src]) => withSource(src, (file) => {
    const out = vim([
      `edit ${file.replace(/ /g, '\\ ')}`,
      'compiler kel',
      'silent make',
      "let g:qf = map(getqflist(), {_, e -> [fnamemodify(bufname(e.bufnr), ':p'), e.lnum, e.col, e.text]})",
      "let g:at = [fnamemodify(bufname('%'), ':p'), line('.'), col('.')]",
      'call writefile([&filetype, &commentstring, json_encode(g:qf), json_encode(g:at)], g:out)',
    ]);
    const [ft, cs, qf, cursor] = out;
    assert.equal(ft, 'kel');
    assert.equal(cs, '(* %s *)');
    const entries = JSON.parse(qf);
    for (const e of entries) assert.equal(e.shift(), file);
    // :make jumps to the first error, in the file that was made.
    if (entries.length > 0 && entries[0][0] > 0) assert.deepEqual(JSON.parse(cursor), [file, entries[0][0], entries[0][1]]);
    return entries;
  }));
  assert.deepEqual(got, cases.map(([, p]) => (p ? [p] : [])));
});
