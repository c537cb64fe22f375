// The language server, spoken to directly: kel's diagnostic where kel finds it, in UTF-16 and in
// UTF-8 positions; hover, inlay hints, definition, references, symbols and Run File; bad input,
// a missing kel.wasm, a newer text superseding an older one, and the end of the server. How it
// lives and recovers is protocol.test.mjs's.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { start } from './lsp.mjs';

const at = (line, character) => ({ line, character });
const span = (l, c1, c2) => ({ start: at(l, c1), end: at(l, c2) });
let n = 0;
const uri = () => `file:///kel/t${++n}.kel`;

// Each text's diagnostic: kel's line, and its range in UTF-16 and in UTF-8 positions.
const diagnostics = [
  ['a clean program', 'VAR x : INTEGER; BEGIN x := 1; WRITE x .', null],
  ['after multi-byte text', 'BEGIN\n\t(* éé *) WRITE 1, .', 'Scnr (2,20): Invalid character.', span(1, 17, 18), span(1, 19, 20)],
  ['after a character of two UTF-16 units', 'BEGIN (* 😀 *) WRITE 1, .', 'Scnr (1,25): Invalid character.',
    span(0, 22, 23), span(0, 24, 25)],
  ['after the last token, after multi-byte text, before text that kel passes over', 'BEGIN (* é *) WRITE 1 (* *) é',
    'Prsr (1,32): Expected ";" or ".".', span(0, 21, 21), span(0, 22, 22)],
  ['the missing final full stop, after the last token', 'VAR x : INTEGER;\nBEGIN\n  x := 1;\n  WRITE x\n\n(* *)\n',
    'Prsr (7,1): Expected ";" or ".".', span(3, 9, 9), span(3, 9, 9)],
  ['the token after an operand', 'BEGIN WRITE 1\n  WRITE 2 .', 'Prsr (2,3): Expected ";" or ".".', span(1, 2, 7), span(1, 2, 7)],
  ['a name', 'BEGIN (* é *) WRITE abc .', 'Prsr (1,22): Identifier undeclared.', span(0, 20, 23), span(0, 21, 24)],
  ['after CR LF line ends', 'BEGIN\r\nWRITE 1,\r\n.', 'Scnr (2,8): Invalid character.', span(1, 7, 8), span(1, 7, 8)],
  ['after a lone CR, a line end only to the protocol', 'BEGIN\rWRITE 1, .', 'Scnr (1,14): Invalid character.',
    span(1, 7, 8), span(1, 7, 8)],
  ['at the end of the text', 'BEGIN WRITE 1', 'Prsr (1,14): Expected ";" or ".".', span(0, 13, 13), span(0, 13, 13)],
  ['the command that failed', 'VAR x : INTEGER;\nBEGIN WRITE 7 / x .', 'Comp: Division by zero.',
    span(1, 14, 15), span(1, 14, 15)],
  ['the fold that failed', 'CONST (* é *) k = 1 / 0; BEGIN .', 'Fatal error: Division by zero.',
    span(0, 18, 23), span(0, 19, 24)],
];

let c16;
let c8;
before(async () => {
  c16 = start();
  c8 = start();
  assert.equal((await c16.init()).capabilities.positionEncoding, 'utf-16');
  assert.equal((await c8.init({ general: { positionEncodings: ['utf-8', 'utf-16'] } })).capabilities.positionEncoding, 'utf-8');
});
after(() => [c16, c8].forEach((c) => c.child.kill()));

test('diagnostics where kel finds them, in UTF-16 and UTF-8 positions', async () => {
  for (const [name, text, message, r16, r8] of diagnostics) {
    for (const [c, range] of [[c16, r16], [c8, r8]]) {
      const { diagnostics: got } = await c.open(uri(), text);
      const want = message ? [{ range, severity: 1, source: 'kel', message }] : [];
      assert.deepEqual(got, want, name);
    }
  }
});

// A program with a constant of each kind, variables of both types, and a WRITE of each kind.
const program = [
  'CONST limit = 40; half = limit / 2; big = 39 < limit;',
  'VAR x : INTEGER; b : BOOLEAN;',
  'BEGIN x := limit + 39; WRITE x; b := x > half;',
  '  WRITE ~b; WRITE half .',
].join('\n');

test('hover: a constant, a variable, a WRITE, and nothing', async () => {
  const u = uri();
  await c16.open(u, program);
  for (const [position, value, range] of [
    [at(0, 8), 'limit = 40 (INTEGER)', span(0, 6, 11)],
    [at(2, 13), 'limit = 40 (INTEGER)', span(2, 11, 16)],
    [at(0, 37), 'big = TRUE (BOOLEAN)', span(0, 36, 39)],
    [at(2, 6), 'x : INTEGER, slot 0', span(2, 6, 7)],
    [at(1, 17), 'b : BOOLEAN, slot 1', span(1, 17, 18)],
    [at(2, 25), 'WRITE wrote 79', span(2, 23, 28)],
    [at(3, 4), 'WRITE wrote FALSE', span(3, 2, 7)],
    [at(2, 1), null],
  ]) {
    const r = (await c16.request('textDocument/hover', { textDocument: { uri: u }, position })).result;
    assert.deepEqual(r, value && { contents: { kind: 'plaintext', value }, range }, JSON.stringify(position));
  }
});

test('inlay hints: what each WRITE wrote, the value of each constant declared by an expression', async () => {
  const u = uri();
  await c16.open(u, program);
  const r = await c16.request('textDocument/inlayHint', { textDocument: { uri: u }, range: { start: at(0, 0), end: at(9, 0) } });
  assert.deepEqual(r.result.map((h) => [h.position.line, h.position.character, h.label]), [
    [0, 34, '= 20'],
    [0, 52, '= TRUE'],
    [2, 30, '→ 79'],
    [3, 10, '→ FALSE'],
    [3, 22, '→ 20'],
  ]);
});

test('definition, references and symbols, also after an error: the symbols kel had accepted, the uses past it', async () => {
  const u = uri();
  await c16.open(u, program);
  const ask = (method, position, extra) => c16.request(method, { textDocument: { uri: u }, position, ...extra });
  assert.deepEqual((await ask('textDocument/definition', at(3, 18))).result, { uri: u, range: span(0, 18, 22) });
  const refs = await ask('textDocument/references', at(0, 20), { context: { includeDeclaration: true } });
  assert.deepEqual(refs.result.map((l) => l.range), [span(0, 18, 22), span(2, 41, 45), span(3, 18, 22)]);
  const symbols = async (uri) => (await c16.request('textDocument/documentSymbol', { textDocument: { uri } })).result
    .map((s) => `${s.kind} ${s.name} ${s.detail}`);
  assert.deepEqual(await symbols(u), ['14 limit = 40 (INTEGER)', '14 half = 20 (INTEGER)', '14 big = TRUE (BOOLEAN)',
    '13 x INTEGER, slot 0', '13 b BOOLEAN, slot 1']);
  const broken = uri();
  await c16.open(broken, 'CONST a = 1; b = a + ; c = a; BEGIN WRITE a .');
  assert.deepEqual(await symbols(broken), ['14 a = 1 (INTEGER)']);
  const used = await c16.request('textDocument/references',
    { textDocument: { uri: broken }, position: at(0, 6), context: { includeDeclaration: true } });
  assert.deepEqual(used.result.map((l) => l.range), [span(0, 6, 7), span(0, 17, 18), span(0, 27, 28), span(0, 42, 43)]);
});

test('Run File: what kel wrote on both channels, in order, and the status', async () => {
  const u = uri();
  await c16.open(u, 'BEGIN WRITE 1; WRITE 2 / 0 .');
  const r = (await c16.request('kel/run', { textDocument: { uri: u } })).result;
  assert.deepEqual(r, {
    status: 9,
    lines: [[2, 'Comp.DebugG:  pos'], [2, 'Comp.DebugG:    0:  Val 1'], [2, 'Comp.DebugG:    5:  Wrt'], [1, '1'],
      [2, 'Fatal error: Division by zero.']].map(([fd, text]) => ({ fd, text })),
  });
});

test('a newer text supersedes the check of an older one', async () => {
  const u = uri();
  const text = (k) => `${' '.repeat(2 << 20)}BEGIN WRITE ${k} ${k % 2 ? '' : ','} .`;
  c16.open(u, text(1), false);
  for (let v = 2; v <= 5; v++) {
    await new Promise((r) => setTimeout(r, 40 * v));
    c16.change(u, v, text(v));
  }
  const published = [];
  do published.push((await c16.diagnostics(u)).params);
  while (published.at(-1).version !== 5);
  assert.deepEqual(published.at(-1).diagnostics, []);
  assert.deepEqual(published.map((p) => p.version), [...published.map((p) => p.version)].sort());
});

test('bad input: answered, never ending the server; too large a text is not checked; shutdown and exit', async () => {
  const c = start();
  await c.init();
  const frame = (body) => Buffer.concat([Buffer.from(`Content-Length: ${Buffer.byteLength(body)}\r\n\r\n`), Buffer.from(body)]);
  for (const [bytes, code] of [
    [frame('{"jsonrpc": "2.0", "id": 1, "method"'), -32700],
    [frame('\xff'), -32700],
    ['Content-Length: twelve\r\n\r\n{}', -32700],
    [frame('[1, 2]'), -32600],
    [frame('"initialize"'), -32600],
  ]) {
    c.raw(bytes);
    assert.equal((await c.wait((m) => m.id === null)).error.code, code, String(bytes));
  }
  assert.equal((await c.request('kel/nothing', {})).error.code, -32601);
  let binary = '';
  for (let i = 0; binary.length < 1 << 20; i++) binary += String.fromCharCode((i * 7919) % 0xffff);
  const checked = await c.open(uri(), binary);
  assert.ok(checked.diagnostics.every((d) => d.source === 'kel'));
  const large = await c.open(uri(), 'BEGIN WRITE 1 , .'.padEnd((4 << 20) + 1));
  assert.deepEqual(large.diagnostics.map((d) => [d.severity, d.message.slice(0, 18)]), [[2, 'Too large to check']]);
  // The largest text checked, of control characters (six bytes each in JSON, blanks to kel), is
  // read to its end; a message over 32 MiB is not.
  const controls = await c.open(uri(), '\x01'.repeat(4 << 20));
  assert.deepEqual(controls.diagnostics.map((d) => d.message), ['Prsr (1,4194305): Expected "BEGIN".']);
  c.raw(Buffer.concat([Buffer.from(`Content-Length: ${(32 << 20) + 1}\r\n\r\n`), Buffer.alloc((32 << 20) + 1, 32)]));
  assert.match((await c.wait((m) => m.id === null)).error.message, /^Parse error: a message of 33554433 bytes, over 33554432$/);
  assert.deepEqual((await c.request('shutdown')).result, null);
  c.notify('exit');
  assert.equal(await c.exited, 0);
});

test('without kel.wasm the client is told so, and a text gets no empty list', async () => {
  const c = start(['--stdio', '--kel-wasm', '/nonexistent/kel.wasm']);
  await c.init();
  const shown = await c.wait((m) => m.method === 'window/showMessage');
  assert.match(shown.params.message, /no kel\.wasm found \(looked for \/nonexistent\/kel\.wasm\)/);
  const { diagnostics } = await c.open(uri(), 'BEGIN WRITE 1 .');
  assert.match(diagnostics[0].message, /^Not checked: no kel\.wasm found/);
  c.child.kill();
});
