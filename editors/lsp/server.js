// The kel language server's main thread: its start-up (the command line, kel.wasm, what it
// offers) and the protocol over standard input and output, which it hands to the open documents
// (documents.js) and the features (features.js). kel's checks run in a worker thread (check.js,
// run by checker.js).
import { existsSync, readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  ErrorCodes, ResponseError, StreamMessageWriter, TextDocumentSyncKind, createConnection,
} from 'vscode-languageserver/node';
import { Checker } from './checker.js';
import { Documents } from './documents.js';
import { afterCheck, atOnce, commands, needsParams, providers } from './features.js';
import { Lifecycle } from './lifecycle.js';
import { notUtf8, Reader } from './rpc.js';

const usage = 'usage: kel-language-server --stdio [--kel-wasm PATH] [--position-encoding utf-8|utf-16]';

// The command line: --stdio (the only transport), --kel-wasm PATH, --position-encoding for a
// client that counts columns in bytes without saying so, and the --clientProcessId=N that some
// clients add. Returns { kelWasm, encoding } or { exit, text }.
function options(argv) {
  const o = { kelWasm: null, encoding: null };
  for (let i = 0; i < argv.length; i++) {
    const [a, inline] = argv[i].startsWith('--') ? argv[i].split(/=(.*)/s) : [argv[i]];
    const value = () => inline ?? argv[++i];
    if (a === '--stdio' || a === '--clientProcessId') continue;
    if (a === '--help' || a === '-h') return { exit: 0, text: usage };
    if (a === '--kel-wasm') o.kelWasm = value();
    else if (a === '--position-encoding') o.encoding = value();
    else return { exit: 2, text: `kel-language-server: unknown option ${argv[i]}\n${usage}` };
    if (o.kelWasm === undefined || ![null, 'utf-8', 'utf-16'].includes(o.encoding)) {
      return { exit: 2, text: `kel-language-server: a bad or missing value for ${a}\n${usage}` };
    }
  }
  return o;
}

// kel.wasm: the file named, else the one beside the server, else the checkout's build. Returns
// { module, note }: note says which one is used, or where none was found and why.
function findKel(given, here) {
  const usual = [join(here, 'kel.wasm'), resolve(here, '../../build-wasm/kel.wasm')];
  const tried = given ? [resolve(given)] : usual;
  const path = tried.find((p) => existsSync(p));
  if (!path) return { module: null, note: `no kel.wasm found (looked for ${tried.join(', ')})` };
  try {
    const module = new WebAssembly.Module(readFileSync(path));
    return { module, note: `kel.wasm: ${path}` };
  } catch (e) {
    return { module: null, note: `kel.wasm at ${path} cannot be used: ${e.message}` };
  }
}

export function main(argv, entryUrl) {
  const opts = options(argv);
  if (opts.exit !== undefined) {
    (opts.exit ? process.stderr : process.stdout).write(opts.text + '\n');
    process.exit(opts.exit);
  }
  const kel = findKel(opts.kelWasm, dirname(fileURLToPath(entryUrl)));
  process.stderr.write(`kel-language-server: ${kel.note}\n`);
  const checker = kel.module && new Checker(new URL(entryUrl), kel.module);

  const writer = new StreamMessageWriter(process.stdout);
  const reply = (m) => writer.write(m);
  const lifecycle = new Lifecycle(reply, needsParams);
  const connection = createConnection(new Reader(process.stdin, reply, (m) => lifecycle.admit(m)), writer);
  const documents = new Documents(checker, kel.note, (p) => connection.sendDiagnostics(p));
  // The end of the input ends the server at once, whatever runs, as exit does.
  const end = () => process.exit(lifecycle.state === 'shut' ? 0 : 1);
  process.stdin.on('end', end).on('close', end);
  // The connection may be closed: what went wrong is told on standard error, the server's log.
  process.on('unhandledRejection', (e) => process.stderr.write(`kel-language-server: ${e?.stack ?? e}\n`));

  connection.onInitialize(({ capabilities: client }) => {
    const offered = client?.general?.positionEncodings ?? [];
    documents.utf8 = opts.encoding ? opts.encoding === 'utf-8' : offered.includes('utf-8');
    const positionEncoding = documents.utf8 ? 'utf-8' : 'utf-16';
    const textDocumentSync = { openClose: true, change: TextDocumentSyncKind.Incremental };
    return { capabilities: { positionEncoding, textDocumentSync, ...providers }, serverInfo: { name: 'kel-language-server' } };
  });
  connection.onInitialized(() => {
    if (kel.module) connection.console.info(kel.note);
    else connection.sendNotification('window/showMessage', { type: 1, message: `kel: ${kel.note}: no kel file is checked` });
  });

  connection.onDidOpenTextDocument((p) => {
    const d = p.textDocument;
    if (typeof d?.uri === 'string' && typeof d.text === 'string') documents.open(d.uri, d.version, d.text, !!p[notUtf8]);
  });
  connection.onDidChangeTextDocument((p) => {
    const d = p.textDocument;
    if (typeof d?.uri === 'string') documents.change(d.uri, d.version, p.contentChanges, !!p[notUtf8]);
  });
  connection.onDidCloseTextDocument(({ textDocument: d }) => documents.close(d?.uri));

  // Each feature answers from the text its request was made against: at once when it reads the
  // text alone, else once that text is checked.
  for (const [features, docOf] of [[atOnce, (u) => documents.present(u)], [afterCheck, (u) => documents.checked(u)]]) {
    for (const [method, feature] of Object.entries(features)) {
      connection.onRequest(method, async (params) => {
        const uri = params.textDocument?.uri;
        if (typeof uri !== 'string') throw new ResponseError(ErrorCodes.InvalidParams, 'Invalid params: no textDocument.uri');
        return feature(await docOf(uri), params);
      });
    }
  }
  // A command runs on the document its first argument names, and tells the user what it did.
  connection.onExecuteCommand(async (params) => {
    const command = commands[params?.command];
    if (!command) throw new ResponseError(ErrorCodes.InvalidParams, `no such command: ${params?.command}`);
    const uri = params.arguments?.[0];
    const { result, message } = command(await documents.checked(uri), uri);
    connection.sendNotification('window/showMessage', { type: message.type, message: message.text });
    return result;
  });
  connection.listen();
}
