// The language server's help while typing, on tables of programs, with kel itself as the judge:
// each quick fix applied and kel run again (its diagnostic gone, the next one as kel finds it);
// each rename applied and kel run again (the same output, trace and status); completion by where
// the cursor is; names and their uses past kel's first error; hover on the predeclared names and
// on a WRITE that never ran; folding; the code lens Run and its command.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { after, before, test } from 'node:test';
import { kel } from './editors.mjs';
import { start } from './lsp.mjs';

const at = (line, character) => ({ line, character });
let n = 0;
const uri = () => `file:///kel/f${++n}.kel`;

// The last line kel writes to its error output that is not the trace, or null; with the
// output, the trace and the status.
function runKel(text) {
  const r = spawnSync(kel, [], { input: text, encoding: 'utf8' });
  const err = r.stderr.split('\r\n').filter((l) => l && !l.startsWith('Comp.DebugG:'));
  const trace = r.stderr.split('\r\n').filter((l) => l.startsWith('Comp.DebugG:'));
  return { diagnostic: err.at(-1) ?? null, stdout: r.stdout, trace, status: r.status };
}

// The text with the protocol's edits (UTF-16 positions) made.
function apply(text, edits) {
  const starts = [0];
  for (const m of text.matchAll(/\r\n|\r|\n/g)) starts.push(m.index + m[0].length);
  const offset = (p) => starts[p.line] + p.character;
  return [...edits].sort((a, b) => offset(b.range.start) - offset(a.range.start))
    .reduce((t, e) => t.slice(0, offset(e.range.start)) + e.newText + t.slice(offset(e.range.end)), text);
}

// A text with "|" where the cursor is: the text without it and the cursor's position.
function cursor(marked) {
  const lines = marked.split('\n');
  const line = lines.findIndex((l) => l.includes('|'));
  return { text: marked.replace('|', ''), position: at(line, lines[line].indexOf('|')) };
}

// Three constants of 250 characters: kel's identifier store keeps them, and has 222 bytes left.
const long = (c, n) => c.repeat(n);
const longNames = `CONST ${long('p', 250)} = 1; ${long('q', 250)} = 2; ${long('r', 250)} = 3;`;

let c;
before(async () => {
  c = start();
  await c.init();
});
after(() => c.child.kill());

const ask = (method, u, params) => c.request(method, { textDocument: { uri: u }, ...params });

// Each program's fix, the text it makes, and kel's diagnostic on that text (null: none).
const fixes = [
  ['the final "."', 'BEGIN\n  WRITE 1', 'BEGIN\n  WRITE 1 .', null],
  ['the final "." before a comment', 'BEGIN WRITE 1; (* end *)\n', 'BEGIN WRITE 1; . (* end *)\n', null],
  ['";" between statements', 'VAR x : INTEGER;\nBEGIN x := 1\n  WRITE x .', 'VAR x : INTEGER;\nBEGIN x := 1;\n  WRITE x .', null],
  ['";" after a constant', 'CONST a = 1 b = 2; BEGIN WRITE a + b .', 'CONST a = 1; b = 2; BEGIN WRITE a + b .', null],
  ['";" after a variable, before BEGIN', 'VAR x : INTEGER BEGIN .', 'VAR x : INTEGER; BEGIN .', null],
  ['";" after multi-byte text', 'BEGIN (* é 😀 *) WRITE 1 WRITE 2 .', 'BEGIN (* é 😀 *) WRITE 1; WRITE 2 .', null],
  ['";", then the next error', 'BEGIN WRITE 1 WRITE 2 , .', 'BEGIN WRITE 1; WRITE 2 , .', 'Scnr (1,24): Invalid character.'],
  ['a variable, in a new variable part', 'BEGIN\n  y := 2;\n  WRITE y .', 'VAR y : INTEGER;\nBEGIN\n  y := 2;\n  WRITE y .', null],
  ['a variable part on the line of BEGIN', 'CONST k = 1; BEGIN y := k .', 'CONST k = 1; VAR y : INTEGER; BEGIN y := k .', null],
  ['a variable part after CR LF line ends', 'BEGIN\r\n  b := TRUE .', 'VAR b : BOOLEAN;\r\nBEGIN\r\n  b := TRUE .', null],
  ['a variable at the end of the variable part', 'VAR x : INTEGER;\nBEGIN x := 1; WRITE ~b .',
    'VAR x : INTEGER; b : BOOLEAN;\nBEGIN x := 1; WRITE ~b .', null],
  ['in an empty variable part', 'VAR BEGIN WRITE y .', 'VAR y : INTEGER; BEGIN WRITE y .', null],
  ['BOOLEAN, assigned a relation', 'VAR x : INTEGER; BEGIN b := (x < 2) & TRUE .',
    'VAR x : INTEGER; b : BOOLEAN; BEGIN b := (x < 2) & TRUE .', null],
  ['BOOLEAN, beside a BOOLEAN variable', 'VAR t : BOOLEAN; BEGIN WRITE t = u .',
    'VAR t : BOOLEAN; u : BOOLEAN; BEGIN WRITE t = u .', null],
  ['BOOLEAN, assigned to a BOOLEAN', 'VAR t : BOOLEAN; BEGIN t := u .', 'VAR t : BOOLEAN; u : BOOLEAN; BEGIN t := u .', null],
  ['INTEGER, in arithmetic', 'VAR t : BOOLEAN; BEGIN WRITE 2 * n .', 'VAR t : BOOLEAN; n : INTEGER; BEGIN WRITE 2 * n .', null],
  ['BOOLEAN, as a constant of a relation', 'CONST on = 1 < 2; BEGIN b := on .',
    'CONST on = 1 < 2; VAR b : BOOLEAN; BEGIN b := on .', null],
  ['a variable where kel\'s identifier store has room for it', `${longNames} BEGIN y := 1 .`,
    `${longNames} VAR y : INTEGER; BEGIN y := 1 .`, null],
];

test('each quick fix, applied, takes kel\'s diagnostic away', async () => {
  for (const [name, text, fixed, next] of fixes) {
    const u = uri();
    const { diagnostics } = await c.open(u, text);
    assert.equal(diagnostics.length, 1, name);
    const [d] = diagnostics;
    const actions = (await ask('textDocument/codeAction', u, { range: d.range, context: { diagnostics } })).result;
    assert.equal(actions.length, 1, name);
    assert.equal(actions[0].kind, 'quickfix', name);
    assert.deepEqual(actions[0].diagnostics, [d], name);
    const made = apply(text, actions[0].edit.changes[u]);
    assert.equal(made, fixed, name);
    assert.equal(runKel(text).diagnostic, d.message, name);
    assert.equal(runKel(made).diagnostic, next, name);
  }
});

test('no fix where none takes the diagnostic away, or kel has no room for another name', async () => {
  const full = `VAR ${Array.from({ length: 28 }, (_, i) => `v${i} : INTEGER;`).join(' ')} BEGIN y := 1 .`;
  for (const [name, text, only] of [
    ['a number where a statement would begin', 'BEGIN 5 .'],
    ['a second relation', 'BEGIN WRITE 1 < 2 < 3 .'],
    ['an undeclared name in a constant', 'CONST a = b; BEGIN .'],
    ['an undeclared type', 'VAR x : integer; BEGIN .'],
    ['an object table with 28 names', full],
    ['a identifier store with no room for the name twice', `${longNames} BEGIN ${long('y', 111)} := 1 .`],
    ['a request for other kinds', 'BEGIN WRITE 1', ['refactor']],
  ]) {
    const u = uri();
    const { diagnostics } = await c.open(u, text);
    const r = await ask('textDocument/codeAction', u, { range: diagnostics[0].range, context: { diagnostics, only } });
    assert.deepEqual(r.result, [], name);
  }
  const u = uri();
  await c.open(u, 'BEGIN WRITE 1');
  const other = [{ range: { start: at(0, 0), end: at(0, 1) }, message: 'Prsr (1,1): Something else.', source: 'kel' }];
  const r = await ask('textDocument/codeAction', u, { range: other[0].range, context: { diagnostics: other } });
  assert.deepEqual(r.result, []);
});

// Each program, the position of a name, its new name, and the edits made.
const renames = [
  ['a constant in its declaration, expressions and a constant\'s', 'CONST k = 2; m = k * k;\nBEGIN WRITE k + m .',
    at(0, 6), 'size', 4],
  ['a variable, assigned and read, with multi-byte text', 'VAR x : INTEGER;\nBEGIN (* é *) x := 3; WRITE x * x .',
    at(1, 15), 'total', 4],
  ['a name used past kel\'s first error', 'VAR x : INTEGER;\nBEGIN WRITE x; WRITE 1 , ; x := x .', at(1, 12), 'y', 4],
  ['a longer name that moves the error\'s column', 'CONST a = 1; BEGIN WRITE a; WRITE a + TRUE .', at(0, 25), 'alpha', 3],
  ['the longest name kel\'s identifier store has room for', `${longNames}\nVAR a : INTEGER;\nBEGIN a := 1 .`, at(1, 4),
    long('a', 110), 2],
];

test('rename: every use, past kel\'s first error too, and kel runs as before', async () => {
  for (const [name, text, position, newName, count] of renames) {
    const u = uri();
    await c.open(u, text);
    const prepared = (await ask('textDocument/prepareRename', u, { position })).result;
    assert.equal(prepared.placeholder.length, prepared.range.end.character - prepared.range.start.character, name);
    const edits = (await ask('textDocument/rename', u, { position, newName })).result.changes[u];
    assert.equal(edits.length, count, name);
    const [was, now] = [runKel(text), runKel(apply(text, edits))];
    const message = (d) => d?.replace(/\(\d+,\d+\)/, '');
    assert.deepEqual({ ...now, diagnostic: message(now.diagnostic) }, { ...was, diagnostic: message(was.diagnostic) }, name);
  }
});

test('rename refused, with the reason', async () => {
  const u = uri();
  await c.open(u, 'CONST k = 1;\nVAR x : INTEGER; b : BOOLEAN;\nBEGIN x := k; WRITE TRUE; WRITE y .');
  for (const [position, newName, why] of [
    [at(2, 15), null, /^WRITE is a keyword/],
    [at(2, 21), null, /^TRUE is predeclared/],
    [at(1, 10), null, /^INTEGER is predeclared/],
    [at(2, 33), null, /^y is not declared/],
    [at(1, 4), 'b', /^b is already a name/],
    [at(1, 4), 'y', /^y is already a name/],
    [at(1, 4), 'BEGIN', /^BEGIN is a keyword/],
    [at(1, 4), 'FALSE', /^FALSE is predeclared/],
    [at(1, 4), 'my_x', /is not a name to kel/],
    [at(1, 4), 'x'.repeat(255), /at most 254 characters/],
  ]) {
    const r = await ask(newName ? 'textDocument/rename' : 'textDocument/prepareRename', u, { position, newName });
    assert.equal(r.error?.code, -32803, String(why));
    assert.match(r.error.message, why);
  }
  assert.equal((await ask('textDocument/prepareRename', u, { position: at(2, 9) })).result, null); // on ":="
  // A name longer than any other, or one where the longest were read only in their declarations.
  const hundreds = ['p', 'q', 'r', 's', 't'].map((c, i) => `${long(c, 100)} = ${i}; `).join('');
  for (const [text, newName] of [
    [`${longNames}\nVAR a : INTEGER;\nBEGIN a := 1 .`, long('a', 111)],
    [`CONST ${hundreds}${long('u', 99)} = 9;\nVAR a : INTEGER;\nBEGIN a := 1; WRITE a .`, long('a', 200)],
  ]) {
    const v = uri();
    await c.open(v, text);
    const r = await ask('textDocument/rename', v, { position: at(1, 4), newName });
    assert.equal(r.error?.code, -32803, newName.length);
    assert.match(r.error.message, /identifier store \(1024 bytes\) has no room/);
    assert.match(runKel(text.replaceAll(/\ba\b/g, newName)).diagnostic, /Buffer full/);
  }
});

// Each text with the cursor at "|", and the labels offered there.
const completions = [
  ['the start', '|', ['BEGIN', 'CONST', 'VAR']],
  ['a word at the start', 'VA|', ['BEGIN', 'CONST', 'VAR']],
  ['after a constant', 'CONST a = 1; |', ['BEGIN', 'VAR']],
  ['a constant\'s value', 'CONST a = 1; b = |', ['FALSE', 'TRUE', 'a']],
  ['not inside its own declaration', 'CONST a = |', ['FALSE', 'TRUE']],
  ['a type', 'VAR x : |', ['BOOLEAN', 'INTEGER']],
  ['a type being typed', 'VAR x : IN|', ['BOOLEAN', 'INTEGER']],
  ['after a variable', 'VAR x : INTEGER; |', ['BEGIN']],
  ['a statement: WRITE or a variable', 'CONST k = 1; VAR x : INTEGER; BEGIN |', ['WRITE', 'x']],
  ['a value', 'CONST k = 1; VAR x : INTEGER; BEGIN x := |', ['FALSE', 'TRUE', 'k', 'x']],
  ['a value after an operator, past an error', 'CONST k = 1; VAR x : INTEGER; BEGIN WRITE , ; x := k + |',
    ['FALSE', 'TRUE', 'k', 'x']],
  ['a name declared past kel\'s first error', 'CONST a = , ; VAR z : BOOLEAN; BEGIN |', ['WRITE', 'z']],
  ['after an operand', 'BEGIN WRITE 1 |', []],
  ['inside a comment', 'BEGIN (* | *)', []],
  ['after the final "."', 'BEGIN . |', []],
];

test('completion: what kel\'s grammar allows where the cursor is', async () => {
  for (const [name, marked, labels] of completions) {
    const u = uri();
    const { text, position } = cursor(marked);
    await c.open(u, text);
    const r = (await ask('textDocument/completion', u, { position })).result;
    assert.deepEqual((r.items ?? r).map((i) => i.label).sort(), labels, name);
  }
  const u = uri();
  await c.open(u, 'CONST k = 6 * 7; VAR b : BOOLEAN; BEGIN WRITE ');
  const items = (await ask('textDocument/completion', u, { position: at(0, 46) })).result.items;
  assert.deepEqual(items.map((i) => [i.label, i.kind, i.detail]), [
    ['k', 21, '= 42 (INTEGER)'], ['b', 6, 'BOOLEAN'], ['FALSE', 21, '= FALSE (BOOLEAN), predeclared'],
    ['TRUE', 21, '= TRUE (BOOLEAN), predeclared']]);
});

test('what reads the text alone is answered at once, before its check', async () => {
  const u = uri();
  const text = `(* ${'a long comment '.repeat(1 << 16)} *) VAR x : INTEGER; BEGIN x := `;
  c.open(u, text, false);
  const last = text.length;
  const answers = await Promise.all(['completion', 'definition', 'documentHighlight', 'foldingRange', 'codeLens']
    .map((m) => ask(`textDocument/${m}`, u, { position: at(0, last - 10) })));
  assert.ok(answers.every((a) => !a.error), JSON.stringify(answers));
  assert.ok(c.messages.every((m) => m.method !== 'textDocument/publishDiagnostics' || m.params.uri !== u));
  assert.deepEqual((await c.diagnostics(u)).params.diagnostics.map((d) => d.message), [`Prsr (1,${last + 1}): Expected factor.`]);
});

test('definition, references and highlight past kel\'s first error', async () => {
  const u = uri();
  await c.open(u, 'CONST a = 1; b = a + ; c = a;\nVAR x : INTEGER;\nBEGIN x := c; WRITE x + a .');
  const ranges = (r) => r.map((l) => [l.range.start.line, l.range.start.character, l.kind]);
  const refs = await ask('textDocument/references', u, { position: at(0, 6), context: { includeDeclaration: true } });
  assert.deepEqual(ranges(refs.result), [[0, 6, undefined], [0, 17, undefined], [0, 27, undefined], [2, 24, undefined]]);
  assert.deepEqual((await ask('textDocument/definition', u, { position: at(2, 11) })).result.range.start, at(0, 23));
  assert.deepEqual(ranges((await ask('textDocument/documentHighlight', u, { position: at(2, 20) })).result),
    [[1, 4, 3], [2, 6, 3], [2, 20, 2]]);
  // A name is not known inside its own declaration, nor before it.
  const v = uri();
  await c.open(v, 'CONST a = a; BEGIN .');
  assert.equal((await ask('textDocument/definition', v, { position: at(0, 10) })).result, null);
});

test('hover: the predeclared names, and a WRITE that never ran', async () => {
  const u = uri();
  await c.open(u, 'VAR n : INTEGER; b : BOOLEAN;\nBEGIN WRITE 1 / n; WRITE FALSE .');
  const hover = async (p) => (await ask('textDocument/hover', u, { position: p })).result?.contents.value;
  assert.equal(await hover(at(0, 10)), 'INTEGER: predeclared type, the whole numbers from -2147483648 to 2147483647');
  assert.equal(await hover(at(0, 24)), 'BOOLEAN: predeclared type, FALSE or TRUE');
  assert.equal(await hover(at(1, 27)), 'FALSE = FALSE (BOOLEAN), predeclared; kel holds it as 0');
  assert.equal(await hover(at(1, 7)), 'WRITE wrote nothing: kel stopped before it could write (Comp: Division by zero.)');
  assert.equal(await hover(at(1, 20)), 'WRITE never ran: kel stopped before it (Comp: Division by zero.)');
  const v = uri();
  await c.open(v, 'BEGIN WRITE TRUE; WRITE 1 , ; WRITE 2 .');
  const later = await ask('textDocument/hover', v, { position: at(0, 31) });
  assert.equal(later.result.contents.value, 'WRITE never ran: kel stopped before it (Scnr (1,27): Invalid character.)');
});

test('folding: comments of more than one line, the constant and variable parts', async () => {
  const u = uri();
  await c.open(u, '(* a program\n   of some lines *)\nCONST a = 1;\n  b = 2;\nVAR x : INTEGER; (* one line *)\nBEGIN\n.');
  const r = (await ask('textDocument/foldingRange', u, {})).result;
  assert.deepEqual(r, [{ startLine: 0, endLine: 1, kind: 'comment' }, { startLine: 2, endLine: 3 }]);
});

test('the code lens Run, and its command run by the server', async () => {
  const u = uri();
  await c.open(u, '(* sums *)\nBEGIN WRITE 1 + 2; WRITE 2 / 0 .');
  const [lens] = (await ask('textDocument/codeLens', u, {})).result;
  assert.deepEqual(lens.range.start, at(1, 0));
  assert.deepEqual(lens.command, { title: 'Run', command: 'kel.run', arguments: [u] });
  const r = await c.request('workspace/executeCommand', lens.command);
  assert.equal(r.result.status, 9);
  const shown = await c.wait((m) => m.method === 'window/showMessage');
  assert.deepEqual(shown.params, { type: 2, message: `kel ran f${n}.kel: exit status 9\n3\nFatal error: Division by zero.` });
  assert.equal((await c.request('workspace/executeCommand', { command: 'kel.nothing' })).error.code, -32602);
});
