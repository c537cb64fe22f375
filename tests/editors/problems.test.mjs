// kel's diagnostics where the editors show them, against one table of programs and the one
// problem each must give: vim's quickfix entry after ":compiler kel" and ":make", and what VS
// Code's problem matchers (editors/vscode/package.json) make of kel's real output. kel names no
// file, so both must supply it; the file here has blanks in its name and in its folder's, and so
// has the kel that vim runs (g:kel_program).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, posix } from 'node:path';
import { test } from 'node:test';
import { editors, kel, noVim, vim } from './editors.mjs';

// A problem: [line, column, message], line and column 0 for an error of the run, which has no
// position; null for a program that runs to its end (its trace and output are no problems). A
// source of null is a file that does not exist; FILE in a message stands for its name.
const cases = [
  [null, [0, 0, "File does not exist: 'FILE'"]],
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
  if (src !== null) writeFileSync(file, src);
  try {
    return body(file);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The problems VS Code reports for one line of a task's output, by the rules of its problem
// matchers: the regexp's groups give file, line, column and message; the file is trimmed and a
// problem needs a non-empty one, a message, and a line unless the pattern is of kind "file"; the
// file is then taken as it stands ("absolute") or relative to the path that fileLocation names,
// with ${file} resolved.
const { problemMatchers } = JSON.parse(readFileSync(join(editors, 'vscode/package.json'), 'utf8')).contributes;

function vscodeProblems(text, file) {
  const found = [];
  for (const m of problemMatchers) {
    const p = m.pattern;
    const g = new RegExp(p.regexp).exec(text);
    if (!g) continue;
    const name = g[p.file]?.trim();
    if (!name || !g[p.message] || (p.kind !== 'file' && !g[p.line])) continue;
    const path = m.fileLocation === 'absolute' ? name : posix.join(m.fileLocation[1].replace('${file}', file), name);
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
    return r.stdout.split('\n').flatMap((l) => vscodeProblems(l, file)).map(([name, path, line, column, message]) => {
      assert.equal(path, file);
      return [name, line, column, message.replace(file, 'FILE')];
    });
  }));
  const matcher = ([line, , message]) => (line ? 'kel' : message.startsWith('File') ? 'kel-file' : 'kel-run');
  assert.deepEqual(got, cases.map(([, p]) => (p ? [[matcher(p), ...p]] : [])));
});

// vim runs kel through g:kel_program, whose path holds a blank and characters that the shell
// or :make would take for something else.
function vimQuickfix(file, program) {
  const [ft, cs, qf, cursor, err] = vim([
    `let g:kel_program = '${program.replace(/'/g, "''")}'`,
    `edit ${file.replace(/ /g, '\\ ')}`,
    'compiler kel',
    'silent! make',
    "let g:qf = map(getqflist(), {_, e -> [fnamemodify(bufname(e.bufnr), ':p'), e.lnum, e.col, e.text]})",
    "let g:at = [fnamemodify(bufname('%'), ':p'), line('.'), col('.')]",
    'call writefile([&filetype, &commentstring, json_encode(g:qf), json_encode(g:at), v:errmsg], g:out)',
  ]);
  assert.equal(ft, 'kel');
  assert.equal(cs, '(* %s *)');
  return { entries: JSON.parse(qf), cursor: JSON.parse(cursor), err };
}

test("vim's quickfix list after :compiler kel and :make", { skip: noVim }, () => {
  const bin = mkdtempSync(join(tmpdir(), "kel program %#$'"));
  symlinkSync(kel, join(bin, 'kel'));
  try {
    const got = cases.map(([src]) => withSource(src, (file) => {
      const { entries, cursor, err } = vimQuickfix(file, join(bin, 'kel'));
      assert.equal(err, '');
      for (const e of entries) assert.equal(e.shift(), file);
      // :make jumps to the first error, in the file that was made.
      if (entries.length > 0 && entries[0][0] > 0) assert.deepEqual(cursor, [file, entries[0][0], entries[0][1]]);
      return entries.map(([line, column, text]) => [line, column, text.replace(file, 'FILE')]);
    }));
    assert.deepEqual(got, cases.map(([, p]) => (p ? [p] : [])));
  } finally {
    rmSync(bin, { recursive: true, force: true });
  }
});

test('vim: a kel that cannot be run is an error message', { skip: noVim }, () => {
  const { entries, err } = withSource(cases[1][0], (file) => vimQuickfix(file, '/no such folder/kel'));
  assert.deepEqual(entries, []);
  assert.match(err, /^kel: cannot run \/no such folder\/kel: no such program/);
});
