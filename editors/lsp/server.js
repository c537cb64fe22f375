// The kel language server's main thread: the protocol over standard input and output, the open
// documents, and what each feature shows of kel's checks (check.js, run by checker.js).
import { existsSync, readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  DiagnosticSeverity,
  StreamMessageWriter,
  SymbolKind,
  TextDocumentSyncKind,
  createConnection,
} from 'vscode-languageserver/node';
import { Checker } from './checker.js';
import { Reader } from './rpc.js';
import { Text } from './text.js';

const maxBytes = 4 * 1024 * 1024; // the largest text checked, in UTF-8
const delay = 150; // ms from the last change to its check
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
  const connection = createConnection(new Reader(process.stdin, (m) => writer.write(m)), writer);
  const docs = new Map(); // uri -> { text, version, result, timer, ready }
  let utf8 = false;

  connection.onInitialize(({ capabilities }) => {
    const offered = capabilities?.general?.positionEncodings ?? [];
    utf8 = opts.encoding ? opts.encoding === 'utf-8' : offered.includes('utf-8');
    return {
      capabilities: {
        positionEncoding: utf8 ? 'utf-8' : 'utf-16',
        textDocumentSync: { openClose: true, change: TextDocumentSyncKind.Full },
        hoverProvider: true,
        definitionProvider: true,
        referencesProvider: true,
        documentSymbolProvider: true,
        inlayHintProvider: true,
      },
      serverInfo: { name: 'kel-language-server' },
    };
  });
  connection.onInitialized(() => {
    if (kel.module) connection.console.info(kel.note);
    else connection.sendNotification('window/showMessage', { type: 1, message: `kel: ${kel.note}: no kel file is checked` });
  });
  process.on('unhandledRejection', (e) => connection.console.error(`kel-language-server: ${e?.stack ?? e}`));

  // ---------------------------------------------------------------- documents and their checks

  // What the check of a text says, or why there is none.
  function evaluate(uri, bytes) {
    if (bytes.length > maxBytes) return { tooLarge: bytes.length };
    if (!checker) return { noKel: true };
    return checker.check(uri, bytes);
  }

  // A document opened (checked at once) or changed (checked once the changes pause).
  function changed(uri, version, text, wait) {
    let doc = docs.get(uri);
    if (!doc) docs.set(uri, (doc = { ready: null, timer: null }));
    Object.assign(doc, { text: new Text(text), version, result: null });
    if (!doc.ready) {
      let done;
      doc.ready = new Promise((r) => (done = r));
      doc.ready.done = done;
    }
    checker?.drop(uri);
    clearTimeout(doc.timer);
    doc.timer = setTimeout(() => start(uri, doc), wait);
  }

  async function start(uri, doc) {
    doc.timer = null;
    const { text, version } = doc;
    const result = await evaluate(uri, text.bytes);
    if (result.superseded || docs.get(uri) !== doc || doc.text !== text) return;
    doc.result = result;
    connection.sendDiagnostics({ uri, version, diagnostics: diagnostics(text, result) });
    doc.ready.done(result);
    doc.ready = null;
  }

  // The check of the document's present text, started at once if it waits for its delay; null
  // for a document that is not open (or closes meanwhile).
  async function current(uri) {
    const doc = docs.get(uri);
    if (!doc) return null;
    if (doc.result) return doc;
    if (doc.timer) {
      clearTimeout(doc.timer);
      start(uri, doc);
    }
    return (await doc.ready) && docs.get(uri) === doc ? doc : null;
  }

  connection.onDidOpenTextDocument(({ textDocument: d }) => {
    if (typeof d?.uri === 'string' && typeof d.text === 'string') changed(d.uri, d.version, d.text, 0);
  });
  // The server asks for whole texts: a change of a part is a client's fault, and is not guessed at.
  connection.onDidChangeTextDocument(({ textDocument: d, contentChanges }) => {
    const change = contentChanges?.[contentChanges.length - 1];
    if (!docs.has(d?.uri) || typeof change?.text !== 'string') return;
    if (change.range) connection.console.error(`kel-language-server: ignored a change of part of ${d.uri}`);
    else changed(d.uri, d.version, change.text, delay);
  });
  connection.onDidCloseTextDocument(({ textDocument: d }) => {
    const doc = docs.get(d?.uri);
    if (!doc) return;
    docs.delete(d.uri);
    clearTimeout(doc.timer);
    checker?.drop(d.uri);
    doc.ready?.done(null);
    connection.sendDiagnostics({ uri: d.uri, diagnostics: [] });
  });

  // ---------------------------------------------------------------- diagnostics

  function diagnostics(text, r) {
    const atStart = { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } };
    const say = (message, severity = DiagnosticSeverity.Warning, range = atStart) => [
      { range, severity, source: 'kel', message },
    ];
    if (r.tooLarge) {
      const mib = maxBytes / (1 << 20);
      return say(`Too large to check: ${r.tooLarge} bytes in UTF-8, over the ${mib} MiB the server checks.`);
    }
    if (r.noKel) return say(`Not checked: ${kel.note}.`);
    if (r.error) return say(`Not checked: ${r.error}.`);
    const d = r.diagnostic;
    if (!d) return [];
    return say(d.text, DiagnosticSeverity.Error, text.range(d.from, d.to, utf8));
  }

  // ---------------------------------------------------------------- what is at a position

  // The declared name (name: its index in names) or the WRITE (write) at a byte offset, with the
  // span found there; an offset at a name's end counts, as the cursor stands behind a word when
  // one asks about it.
  function at(r, offset) {
    const inside = (x) => x.from <= offset && offset <= x.to;
    const name = r.names.findIndex(inside);
    if (name >= 0) return { name, span: r.names[name] };
    const ref = r.refs.find(inside);
    if (ref) return { name: ref.decl, span: ref };
    const write = r.writes.find(inside);
    return write ? { write, span: write } : null;
  }

  async function lookup(params) {
    const doc = await current(params?.textDocument?.uri);
    if (!doc?.result?.names) return null;
    const found = at(doc.result, doc.text.offset(params.position, utf8));
    return found && { doc, r: doc.result, ...found };
  }

  const detail = (n) => (n.kind === 'constant' ? `= ${n.value} (${n.type})` : `${n.type}, slot ${n.slot}`);
  const describe = (n) => `${n.name} ${n.kind === 'constant' ? '' : ': '}${detail(n)}`;

  connection.onHover(async (params) => {
    const f = await lookup(params);
    if (!f) return null;
    let value;
    if (f.write) {
      const w = f.write;
      if (w.value !== null) value = `WRITE wrote ${w.value}`;
      else if (f.r.diagnostic) value = `WRITE wrote nothing: kel stopped first (${f.r.diagnostic.text})`;
      else value = 'WRITE wrote nothing';
    } else {
      value = describe(f.r.names[f.name]);
    }
    return { contents: { kind: 'plaintext', value }, range: f.doc.text.range(f.span.from, f.span.to, utf8) };
  });

  connection.onDefinition(async (params) => {
    const f = await lookup(params);
    if (!f || f.name === undefined) return null;
    const n = f.r.names[f.name];
    return { uri: params.textDocument.uri, range: f.doc.text.range(n.from, n.to, utf8) };
  });

  connection.onReferences(async (params) => {
    const f = await lookup(params);
    if (!f || f.name === undefined) return null;
    const n = f.r.names[f.name];
    const spans = f.r.refs.filter((ref) => ref.decl === f.name);
    if (params.context?.includeDeclaration) spans.unshift(n);
    return spans.map((s) => ({ uri: params.textDocument.uri, range: f.doc.text.range(s.from, s.to, utf8) }));
  });

  connection.onDocumentSymbol(async (params) => {
    const doc = await current(params?.textDocument?.uri);
    if (!doc?.result?.names) return null;
    return doc.result.names.map((n) => ({
      name: n.name,
      kind: n.kind === 'constant' ? SymbolKind.Constant : SymbolKind.Variable,
      detail: detail(n),
      range: doc.text.range(n.from, n.expr?.to ?? n.to, utf8),
      selectionRange: doc.text.range(n.from, n.to, utf8),
    }));
  });

  // After each WRITE that wrote, the value; after each constant declared by an expression (not
  // by a number alone), its folded value.
  connection.languages.inlayHint.on(async (params) => {
    const doc = await current(params?.textDocument?.uri);
    if (!doc?.result?.names) return null;
    const { text, result: r } = doc;
    const from = text.offset(params.range?.start, utf8);
    const to = params.range?.end ? text.offset(params.range.end, utf8) : text.bytes.length;
    const hints = [];
    const hint = (offset, label) => {
      if (from <= offset && offset <= to) hints.push({ offset, label });
    };
    for (const n of r.names) {
      if (n.kind !== 'constant') continue;
      const digits = text.bytes.subarray(n.expr.from, n.expr.to).every((b) => b >= 48 && b <= 57);
      if (!digits) hint(n.expr.to, `= ${n.value}`);
    }
    for (const w of r.writes) if (w.value !== null) hint(w.end, `→ ${w.value}`);
    return hints
      .sort((a, b) => a.offset - b.offset)
      .map((h) => ({ position: text.position(h.offset, utf8), label: h.label, paddingLeft: true }));
  });

  // kel's run of the document: the lines of both channels in the order kel wrote them, and the
  // exit status, for the editors' "Run File".
  connection.onRequest('kel/run', async (params) => {
    const doc = await current(params?.textDocument?.uri);
    const r = doc?.result;
    if (!r) return { error: 'the document is not open' };
    if (!r.lines) return { error: diagnostics(doc.text, r)[0].message };
    return { status: r.status, lines: r.lines };
  });

  connection.listen();
}
