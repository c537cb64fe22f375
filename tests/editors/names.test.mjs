// The keywords and predeclared names that kel's JavaScript core (core/facts.js, whose names the
// playground's highlighting uses), vim's syntax and the TextMate grammar name, against one list:
// kel's own, as its scanner stores the keywords (PutKw in src/Scnr.cpp) and its parser enters the
// predeclared names (Enter in src/Prsr.cpp). Each editor's names are found by highlighting every
// word that its files hold.
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { editors, noLang, noVim, root, textmate, vimRuns } from './editors.mjs';

const source = (f) => readFileSync(join(root, f), 'utf8');
const all = (re, text) => [...text.matchAll(re)].map((m) => m[1]).sort();
const kel = {
  keyword: all(/PutKw\(\w+, "(\w+)"\)/g, source('src/Scnr.cpp')),
  constant: all(/Enter\("(\w+)", \w+, cConst/g, source('src/Prsr.cpp')),
  type: all(/Enter\("(\w+)", \w+, cType/g, source('src/Prsr.cpp')),
};

test("kel's list", () => {
  assert.deepEqual(kel, {
    keyword: ['BEGIN', 'CONST', 'VAR', 'WRITE'],
    constant: ['FALSE', 'TRUE'],
    type: ['BOOLEAN', 'INTEGER'],
  });
});

// The words of the files plus kel's names, each on a line of its own, and the class each gets.
async function named(files, runsOf) {
  const words = new Set([...kel.keyword, ...kel.constant, ...kel.type]);
  for (const f of files) for (const w of readFileSync(join(editors, f), 'utf8').match(/[A-Za-z]+/g)) words.add(w);
  const found = { keyword: [], constant: [], type: [] };
  for (const r of await runsOf([...words])) {
    const [cls, word] = r.split(' ');
    if (cls in found) found[cls].push(word);
  }
  for (const k in found) found[k].sort();
  return found;
}

test('the TextMate grammar names them', async () => {
  assert.deepEqual(await named(['vscode/syntaxes/kel.tmLanguage.json'], textmate), kel);
});

test("vim's syntax names them", { skip: noVim }, async () => {
  assert.deepEqual(await named(['vim/syntax/kel.vim'], vimRuns), kel);
});

// tests/editors/run counts a missing web/lang.js (a failure under CI) and sets KEL_NO_LANG.
const facts = join(root, 'core/facts.js');
test("kel's JavaScript core names them", { skip: noLang }, async () => {
  assert.ok(existsSync(facts), 'core/facts.js is missing');
  const { keywords, predeclared } = await import(pathToFileURL(facts));
  assert.deepEqual([...keywords].sort(), kel.keyword);
  assert.deepEqual([...predeclared].sort(), [...kel.constant, ...kel.type].sort());
});
