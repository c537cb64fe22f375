// A client of the kel language server for the tests: starts the server, frames and sends messages
// (or raw bytes), and gives back responses by id and notifications by method as they come.
import { spawn } from 'node:child_process';
import { join } from 'node:path';
import { root } from './editors.mjs';

export const server = process.env.KEL_LANGUAGE_SERVER ?? join(root, 'editors/lsp/kel-language-server');

// A message framed as the protocol frames it, from its body (a string or bytes).
export const frame = (body) => Buffer.concat([Buffer.from(`Content-Length: ${Buffer.byteLength(body)}\r\n\r\n`), Buffer.from(body)]);

export function start(args = ['--stdio']) {
  const child = spawn(process.execPath, [server, ...args], { stdio: ['pipe', 'pipe', 'pipe'] });
  let buf = Buffer.alloc(0);
  const messages = [];
  const waiting = [];
  let stderr = '';
  child.stderr.on('data', (d) => (stderr += d));
  child.stdout.on('data', (d) => {
    buf = Buffer.concat([buf, d]);
    for (;;) {
      const end = buf.indexOf('\r\n\r\n');
      if (end < 0) return;
      const n = Number(/Content-Length: (\d+)/i.exec(buf.subarray(0, end).toString())[1]);
      if (buf.length < end + 4 + n) return;
      messages.push(JSON.parse(buf.subarray(end + 4, end + 4 + n).toString()));
      buf = buf.subarray(end + 4 + n);
      for (const w of [...waiting]) w();
    }
  });
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  let id = 0;
  const c = {
    child,
    exited,
    messages,
    stderr: () => stderr,
    raw: (bytes) => child.stdin.write(bytes),
    send: (msg) => child.stdin.write(frame(JSON.stringify({ jsonrpc: '2.0', ...msg }))),
    notify: (method, params) => c.send({ method, params }),
    // The first message, from the n-th on, for which test is true.
    wait(test, timeout = 20000) {
      return new Promise((resolve, reject) => {
        const fail = () => reject(new Error(`no such message; got ${JSON.stringify(messages)}\n${stderr}`));
        const timer = setTimeout(fail, timeout);
        const look = () => {
          const m = messages.find(test);
          if (!m) return;
          clearTimeout(timer);
          waiting.splice(waiting.indexOf(look), 1);
          messages.splice(messages.indexOf(m), 1);
          resolve(m);
        };
        waiting.push(look);
        look();
      });
    },
    async request(method, params) {
      const my = ++id;
      c.send({ id: my, method, params });
      return c.wait((m) => m.id === my);
    },
    diagnostics: (uri) => c.wait((m) => m.method === 'textDocument/publishDiagnostics' && m.params.uri === uri),
    // Opens a document; with wait, resolves to its first diagnostics.
    async open(uri, text, wait = true) {
      c.notify('textDocument/didOpen', { textDocument: { uri, languageId: 'kel', version: 1, text } });
      return wait && (await c.diagnostics(uri)).params;
    },
    change: (uri, version, text) =>
      c.notify('textDocument/didChange', { textDocument: { uri, version }, contentChanges: [{ text }] }),
    // Changes of parts: each [range, text], a range as [line, character, line, character].
    edit: (uri, version, ...edits) => c.notify('textDocument/didChange', {
      textDocument: { uri, version },
      contentChanges: edits.map(([[l1, c1, l2, c2], text]) => ({
        range: { start: { line: l1, character: c1 }, end: { line: l2, character: c2 } }, text,
      })),
    }),
    async init(capabilities = {}) {
      const r = await c.request('initialize', { processId: null, rootUri: null, capabilities });
      c.notify('initialized', {});
      return r.result;
    },
  };
  return c;
}
