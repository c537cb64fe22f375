// The language server as a citizen of the protocol, spoken to directly: its lifecycle; answers
// only from the text a request was made against, and changes that do not start a check before
// the pause; recovery from bad frames, ids and params; documents opened whatever their first
// message was; and changes of parts, applied or, when they cannot be, said so.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { Checker } from '../../editors/lsp/checker.js';
import { root } from './editors.mjs';
import { frame, start } from './lsp.mjs';

const at = (line, character) => ({ line, character });
const span = (l, c1, c2) => ({ start: at(l, c1), end: at(l, c2) });
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
let n = 0;
const uri = () => `file:///kel/p${++n}.kel`;
const ContentModified = -32801;

let c16;
let c8;
before(async () => {
  c16 = start();
  c8 = start();
  assert.equal((await c16.init()).capabilities.textDocumentSync.change, 2);
  await c8.init({ general: { positionEncodings: ['utf-8'] } });
});
after(() => [c16, c8].forEach((c) => c.child.kill()));

// The messages of kel's diagnostics published for u, by version, until the one of version last.
async function published(c, u, last) {
  const seen = [];
  do seen.push((await c.diagnostics(u)).params);
  while (seen.at(-1).version !== last);
  return seen.map((p) => [p.version, ...p.diagnostics.map((d) => d.message)]);
}

test('lifecycle: nothing before initialize, initialize once, nothing after shutdown, then exit', async () => {
  const c = start();
  const text = 'CONST k = 1; BEGIN .';
  const open = (u) => c.notify('textDocument/didOpen', { textDocument: { uri: u, languageId: 'kel', version: 1, text } });
  const hover = async (u) => c.request('textDocument/hover', { textDocument: { uri: u }, position: at(0, 6) });
  const early = uri();
  assert.equal((await hover(early)).error.code, -32002);
  open(early);
  assert.equal((await c.request('initialize', null)).error.code, -32602);
  await c.init();
  assert.equal((await c.request('initialize', { processId: null, capabilities: {} })).error.code, -32600);
  assert.equal((await hover(early)).result, null, 'a document opened before initialize is not open');
  assert.deepEqual((await c.request('shutdown')).result, null);
  assert.equal((await hover(early)).error.code, -32600);
  assert.equal((await c.request('shutdown')).error.code, -32600);
  open(uri());
  c.notify('exit');
  assert.equal(await c.exited, 0);
  assert.deepEqual(c.messages.filter((m) => m.method === 'textDocument/publishDiagnostics'), []);
});

test('the end of its input ends the server at once, while a check runs, with nothing but its log', async () => {
  const c = start();
  await c.init();
  c.open(uri(), `(*${' '.repeat(3 << 20)}*) BEGIN .`, false);
  await sleep(200);
  c.child.stdin.end();
  const status = await Promise.race([c.exited, sleep(5000).then(() => 'still running')]);
  c.child.kill();
  assert.equal(status, 1);
  assert.match(c.stderr(), /^kel-language-server: kel\.wasm: \S+\n$/);
});

test('a request is answered from its own text, or with ContentModified once that has changed', async () => {
  const u = uri();
  const head = `(*${' '.repeat(2 << 20)}*)\nVAR abc : INTEGER; xyz : BOOLEAN;\n`;
  c16.open(u, `${head}BEGIN abc := 1; xyz := TRUE .`, false);
  const asked = c16.request('textDocument/definition', { textDocument: { uri: u }, position: at(2, 6) });
  await sleep(50);
  c16.change(u, 2, `${head}BEGIN xyz := TRUE; abc := 1 .`);
  const r = await asked;
  if (r.error) assert.equal(r.error.code, ContentModified);
  else assert.deepEqual(r.result, { uri: u, range: span(1, 4, 7) });

  // A key every 10 ms, each followed by a request for inlay hints, as an editor sends them.
  const v = uri();
  const text = (k) => `(*${' '.repeat(256 << 10)}*) BEGIN WRITE ${k} .`;
  c16.open(v, text(1), false);
  const answers = [];
  for (let k = 1; k <= 30; k++) {
    if (k > 1) c16.change(v, k, text(k));
    answers.push(c16.request('textDocument/inlayHint', { textDocument: { uri: v }, range: { start: at(0, 0), end: at(1, 0) } }));
    await sleep(10);
  }
  const got = (await Promise.all(answers)).map((a) => a.error?.code ?? a.result.map((h) => h.label).join());
  assert.deepEqual(got, got.map((g, k) => (g === ContentModified && k < 29 ? g : `→ ${k + 1}`)));
});

// The changes and requests go out at once, so that no stall of a busy machine can make a pause
// between them.
test('requests made between changes do not start a check before the pause after the last', async () => {
  const u = uri();
  const text = (k) => `BEGIN WRITE ${k} ${k % 2 ? ',' : ''} .`;
  await c16.open(u, text(1));
  const answers = [];
  for (let k = 2; k <= 8; k++) {
    c16.change(u, k, text(k));
    answers.push(c16.request('textDocument/hover', { textDocument: { uri: u }, position: at(0, 1) }));
  }
  assert.deepEqual(await published(c16, u, 8), [[8]]);
  assert.deepEqual((await Promise.all(answers)).map((a) => a.error?.code ?? a.result), [
    ...Array(6).fill(ContentModified), null,
  ]);
});

test('a check passed over stops where kel next reads, and its thread checks the next text', async () => {
  const module = new WebAssembly.Module(readFileSync(join(root, 'build-wasm/kel.wasm')));
  const checker = new Checker(new URL('../../editors/lsp/main.js', import.meta.url), module);
  const bytes = (text) => new TextEncoder().encode(text);
  const long = checker.check('a', bytes(`(*${' '.repeat(4 << 20)}*) BEGIN .`));
  const thread = checker.worker;
  const short = checker.check('a', bytes('BEGIN WRITE 1 .'));
  assert.deepEqual(await long, { superseded: true });
  assert.deepEqual((await short).lines.map((l) => l.text).at(-1), '1');
  assert.equal(checker.worker, thread);
  await thread.terminate();
});

// Bad frames, each sent with a good request after it: the bad one is answered with ParseError,
// and the good one is answered too.
const good = (id) => frame(JSON.stringify({ jsonrpc: '2.0', id, method: 'kel/nothing', params: {} }));
const body = JSON.stringify({ jsonrpc: '2.0', id: 0, method: 'kel/nothing', params: {} });
const badFrames = [
  ['a Content-Length too short', `Content-Length: 10\r\n\r\n${body}`, /^Parse error: /],
  ['a Content-Length too long', `Content-Length: ${body.length + 40}\r\n\r\n${body}`, /ends before its Content-Length/],
  ['two Content-Length fields', `Content-Length: ${body.length}\r\nContent-Length: 5\r\n\r\n${body}`, /two Content-Length/],
  ['header lines ended by LF alone', `Content-Length: ${body.length}\n\n${body}`, /not ended by CR LF/],
  ['an impossible length', 'Content-Length: 100000000000000000000\r\n\r\n{}',
    /^Parse error: a message of 100000000000000000000 bytes, over 33554432$/],
];

test('bad frames: each answered with ParseError, and the good request after it answered', async () => {
  for (const [name, bad, message] of badFrames) {
    const id = ++n;
    c16.raw(Buffer.concat([Buffer.from(bad), good(id)]));
    const error = (await c16.wait((m) => m.id === null)).error;
    assert.deepEqual([error.code, message.test(error.message)], [-32700, true], `${name}: ${error.message}`);
    assert.equal((await c16.wait((m) => m.id === id)).error.code, -32601, name);
  }
  assert.equal(c16.messages.filter((m) => m.id === null || m.id === 0).length, 0);
});

test('bad ids and params: InvalidRequest with id null, InvalidParams', async () => {
  const position = at(0, 0);
  for (const [message, id, code] of [
    [{ id: { a: 1 }, method: 'textDocument/hover', params: { textDocument: { uri: 'file:///x' }, position } }, null, -32600],
    [{ id: null, method: 'textDocument/hover', params: { textDocument: { uri: 'file:///x' }, position } }, null, -32600],
    [{ id: 'p1', method: 'textDocument/hover', params: null }, 'p1', -32602],
    [{ id: 'p2', method: 'textDocument/definition' }, 'p2', -32602],
    [{ id: 'p3', method: 'textDocument/inlayHint', params: { range: span(0, 0, 1) } }, 'p3', -32602],
    [{ id: 'p4', method: 'kel/run', params: 7 }, 'p4', -32602],
  ]) {
    c16.send(message);
    assert.equal((await c16.wait((m) => m.id === id)).error.code, code, JSON.stringify(message));
  }
  // A notification without the params it needs is dropped, as one with params of the wrong kind.
  const logged = c16.messages.length;
  for (const method of ['textDocument/didOpen', 'textDocument/didChange', 'textDocument/didClose', '$/cancelRequest']) {
    c16.send({ method });
  }
  c16.send({ method: 'textDocument/didOpen', params: 5 });
  await c16.request('kel/nothing', {});
  assert.deepEqual(c16.messages.slice(logged).filter((m) => m.method), []);
});

test('a document opened with bytes that are no UTF-8, or too large, is open: told why, and edits are checked', async () => {
  const u = uri();
  const open = (text) => JSON.stringify({ jsonrpc: '2.0', method: 'textDocument/didOpen',
    params: { textDocument: { uri: u, languageId: 'kel', version: 1, text } } });
  const [before, after] = open('BEGIN WRITE 1 @ .').split('@');
  c16.raw(frame(Buffer.concat([Buffer.from(before), Buffer.from([0xff]), Buffer.from(after)])));
  assert.match((await c16.diagnostics(u)).params.diagnostics[0].message, /^Not checked: .* not UTF-8/);
  c16.edit(u, 2, [[0, 14, 0, 15], ',']);
  assert.deepEqual(await published(c16, u, 2), [[2, 'Scnr (1,15): Invalid character.']]);

  const large = uri();
  await c16.open(large, 'BEGIN WRITE 1 , .'.padEnd((4 << 20) + 1));
  c16.edit(large, 2, [[0, 17, 0, (4 << 20) + 1], '']);
  assert.deepEqual(await published(c16, large, 2), [[2, 'Scnr (1,15): Invalid character.']]);
});

test('a document whose opening could not be read: told so, and opened by a change that brings it whole', async () => {
  const u = uri();
  c16.open(u, 'BEGIN .'.padEnd((32 << 20) + 1), false);
  assert.equal((await c16.wait((m) => m.id === null)).error.code, -32700);
  c16.edit(u, 2, [[0, 0, 0, 0], 'x']);
  const [told] = (await c16.diagnostics(u)).params.diagnostics;
  assert.match(told.message, /^Not checked: the message that opened it could not be read/);
  c16.change(u, 3, 'BEGIN WRITE 1 , .');
  assert.deepEqual(await published(c16, u, 3), [[3, 'Scnr (1,15): Invalid character.']]);
});

// Changes of parts, in UTF-16 and in UTF-8 positions, and kel's diagnostic of the text they make.
const edits = [
  ['after text of two and four bytes', 'BEGIN (* é😀 *) WRITE 1 .', [[[0, 23, 0, 23], ',']], [[[0, 26, 0, 26], ',']],
    'Scnr (1,27): Invalid character.'],
  ['in place of a character of two bytes', 'BEGIN WRITE 1 é .', [[[0, 14, 0, 15], ',']], [[[0, 14, 0, 16], ',']],
    'Scnr (1,15): Invalid character.'],
  ['several, in order, joining lines', 'CONST k = 1;\nBEGIN\nWRITE k .',
    [[[0, 10, 0, 11], '2'], [[1, 5, 2, 0], ' '], [[1, 13, 1, 13], ' ,']], null, 'Scnr (2,15): Invalid character.'],
  ['across a CR LF', 'BEGIN\r\nWRITE 1\r\n.', [[[1, 7, 2, 0], ' ,']], null, 'Scnr (2,9): Invalid character.'],
  ['a character past the end of its line', 'BEGIN WRITE é\n.', [[[0, 99, 0, 99], ' 1 ,']], null,
    'Scnr (1,18): Invalid character.'],
];

test('changes of parts are applied, in UTF-16 and in UTF-8 positions', async () => {
  for (const [name, text, e16, e8, message] of edits) {
    for (const [c, e] of [[c16, e16], [c8, e8 ?? e16]]) {
      const u = uri();
      await c.open(u, text);
      c.edit(u, 2, ...e);
      assert.deepEqual(await published(c, u, 2), [[2, message]], name);
    }
  }
});

test('a change that cannot be applied is said so, until a change brings the whole text', async () => {
  for (const [change, why] of [
    [{ range: span(3, 0, 0), text: 'x' }, 'a change came for line 4 of a text of 1 lines'],
    [{ range: { start: at(0, 0) }, text: 'x' }, 'a change came with a bad range'],
    [{ range: span(0, 0, 0), text: null }, 'a change came without its text'],
  ]) {
    const u = uri();
    await c16.open(u, 'BEGIN WRITE 1 .');
    c16.notify('textDocument/didChange', { textDocument: { uri: u, version: 2 }, contentChanges: [change] });
    const [[version, message]] = await published(c16, u, 2);
    assert.equal(version, 2);
    assert.ok(message.startsWith(`Not checked: ${why}, `), message);
    c16.edit(u, 3, [[0, 0, 0, 0], 'y']);
    assert.deepEqual(await published(c16, u, 3), [[3, message]]);
    c16.change(u, 4, 'BEGIN WRITE 1 , .');
    assert.deepEqual(await published(c16, u, 4), [[4, 'Scnr (1,15): Invalid character.']]);
  }
});
