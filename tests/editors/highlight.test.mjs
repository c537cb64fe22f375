// The highlighting of kel source in VS Code (the TextMate grammar, through vscode-textmate), in
// vim (syntax/kel.vim, vim headless) and in the playground (web/lang.js), against one table:
// lines of source and the runs of one token class that all three must show.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { langRuns, noLang, noVim, textmate, vimRuns } from './editors.mjs';

const refused = ['!', '"', '$', '%', "'", ',', '?', '@', '[', '\\', ']', '^', '_', '`', '{', '}'];
const cases = [
  [['BEGIN WRITE 1 .'], ['keyword BEGIN', 'keyword WRITE', 'number 1']],
  [['CONST a = 7; VAR b : BOOLEAN; c : INTEGER;'],
    ['keyword CONST', 'operator =', 'number 7', 'keyword VAR', 'operator :', 'type BOOLEAN', 'operator :', 'type INTEGER']],
  [['x := TRUE | ~FALSE'], ['operator :=', 'constant TRUE', 'operator |', 'operator ~', 'constant FALSE']],
  // Case matters, and a name is all its letters and digits.
  [['var Begin VARX WRITE2 x1 INTEGERS true'], []],
  [['x:=1;WRITE(x)'], ['operator :=', 'number 1', 'keyword WRITE']],
  [['<> <= >= < > = # + - * / & | ~ : :='],
    ['<>', '<=', '>=', '<', '>', '=', '#', '+', '-', '*', '/', '&', '|', '~', ':', ':='].map((o) => `operator ${o}`)],
  [['007 4294967296 12A 3b7 x12'], ['number 007', 'number 4294967296', 'badnumber 12A', 'badnumber 3b7']],
  [[refused.join(' ')], refused.map((c) => `invalid ${c}`)],
  [['WRITE_x a,b'], ['keyword WRITE', 'invalid _', 'invalid ,']],
  // Comments nest, hold any character, and only "*)" closes one.
  [['(* a (* b *) c *) WRITE'], ['comment (* a (* b *) c *)', 'keyword WRITE']],
  [['(* , _ " ! { *) 1'], ['comment (* , _ " ! { *)', 'number 1']],
  [['(*) WRITE *) 1'], ['comment (*) WRITE *)', 'number 1']],
  [['(**) 2 **)'], ['comment (**)', 'number 2', 'operator **']],
  [['((* a **) 3'], ['comment (* a **)', 'number 3']],
  [['BEGIN (* a', '  (* b *) WRITE 1', '*) WRITE 2 .'],
    ['keyword BEGIN', 'comment (* a', 'comment   (* b *) WRITE 1', 'comment *)', 'keyword WRITE', 'number 2']],
  // One that is never closed runs to the end.
  [['WRITE 1 (* (* *)', 'WRITE 2 .', ''], ['keyword WRITE', 'number 1', 'comment (* (* *)', 'comment WRITE 2 .']],
  // kel reads nothing behind the first full stop outside a comment.
  [['BEGIN WRITE 1. WRITE 2, !', '(* .'], ['keyword BEGIN', 'keyword WRITE', 'number 1', 'unread  WRITE 2, !', 'unread (* .']],
  [['BEGIN (* . *) WRITE 1 .', ''], ['keyword BEGIN', 'comment (* . *)', 'keyword WRITE', 'number 1']],
];

// Every case at once, so that a failure shows all the cases that differ.
const want = cases.map(([lines, runs]) => [lines, runs]);

test('the TextMate grammar', async () => {
  const got = [];
  for (const [lines] of cases) got.push([lines, await textmate(lines)]);
  assert.deepEqual(got, want);
});

test("vim's syntax", { skip: noVim }, () => {
  assert.deepEqual(cases.map(([lines]) => [lines, vimRuns(lines)]), want);
});

test("the playground's language", { skip: noLang }, async () => {
  const got = [];
  for (const [lines] of cases) got.push([lines, await langRuns(lines)]);
  assert.deepEqual(got, want);
});
