// What the editor shows beside the text, from kel's check of it (check.js: names, writes, lines)
// and its tokens (outline.js): hover, inlay hints, symbols, folding ranges, the code lens "Run"
// and the run itself.
import { MessageType, SymbolKind } from 'vscode-languageserver/node';
import { diagnosticOf, maxInteger, predeclaredNames, Sym, traceCommand, traceHeader } from '../../core/index.js';
import { notChecked } from './diagnostics.js';
import { declOf, outline, Part, tokenAt } from './outline.js';

const detail = (n) => (n.kind === 'constant' ? `= ${n.value} (${n.type})` : `${n.type}, slot ${n.slot}`);
const describe = (n) => `${n.name} ${n.kind === 'constant' ? '' : ': '}${detail(n)}`;

const predeclaredWords = {
  INTEGER: `INTEGER: predeclared type, the whole numbers from ${-maxInteger - 1} to ${maxInteger}`,
  BOOLEAN: 'BOOLEAN: predeclared type, FALSE or TRUE',
};
for (const n of predeclaredNames) {
  if (n.kind !== 'constant') continue;
  predeclaredWords[n.name] = `${n.name} = ${n.name} (${n.type}), predeclared; kel holds it as ${n.value}`;
}

const isWrite = (line) => ['Wrt', 'WrB'].includes(traceCommand(line.text)?.name);

// Why the WRITE whose token is t wrote nothing in kel's run r, when it is certain: every Wrt and
// WrB kel generated is known by its WRITE, and kel stopped at a source error or a run-time error.
function neverRan(r, t) {
  const d = r.diagnostic;
  const kind = d && diagnosticOf(d.text).kind;
  if (kind !== 'source' && kind !== 'runtime') return null;
  if (r.lines.filter((l) => l.fd === 2 && isWrite(l)).length !== r.writes.length) return null;
  if (t.from >= d.from) return `WRITE never ran: kel stopped before it (${d.text})`;
  return `WRITE wrote nothing: kel stopped before it could write (${d.text})`;
}

// What the token k is, in words: a predeclared name, a name kel declared, a WRITE.
function words(r, o, k) {
  const t = o.token(k);
  if (t.sym === Sym.Id && predeclaredWords[t.name]) return predeclaredWords[t.name];
  if (!r?.names) return null;
  if (t.sym === Sym.Id) {
    const n = declOf(o, k) && r.names.find((x) => x.name === t.name);
    return n ? describe(n) : null;
  }
  if (t.sym !== Sym.Wrt) return null;
  const w = r.writes.find((x) => x.from === t.from);
  if (!w) return neverRan(r, t);
  if (w.value !== null) return `WRITE wrote ${w.value}`;
  return r.diagnostic ? `WRITE wrote nothing: kel stopped first (${r.diagnostic.text})` : 'WRITE wrote nothing';
}

export function hover(doc, params) {
  if (!doc) return null;
  const o = outline(doc.text);
  const k = tokenAt(o, doc.text.offset(params?.position));
  const value = k >= 0 ? words(doc.result, o, k) : null;
  if (!value) return null;
  return { contents: { kind: 'plaintext', value }, range: doc.text.range(o.from[k], o.to[k]) };
}

export function documentSymbol(doc) {
  if (!doc?.result?.names) return null;
  return doc.result.names.map((n) => ({
    name: n.name,
    kind: n.kind === 'constant' ? SymbolKind.Constant : SymbolKind.Variable,
    detail: detail(n),
    range: doc.text.range(n.from, n.expr?.to ?? n.to),
    selectionRange: doc.text.range(n.from, n.to),
  }));
}

// After each WRITE that wrote, the value; after each constant declared by an expression (not
// by a number alone), its folded value.
export function inlayHint(doc, params) {
  if (!doc?.result?.names) return null;
  const { text, result: r } = doc;
  const from = text.offset(params.range?.start);
  const to = params.range?.end ? text.offset(params.range.end) : text.bytes.length;
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
    .map((h) => ({ position: text.position(h.offset), label: h.label, paddingLeft: true }));
}

// Comments of more than one line, and the constant and variable parts.
export function foldingRange(doc) {
  if (!doc) return null;
  const o = outline(doc.text);
  const line = (offset) => doc.text.position(offset).line;
  const ranges = [];
  const fold = (from, to, kind) => {
    const [startLine, endLine] = [line(from), line(to)];
    if (startLine < endLine) ranges.push({ startLine, endLine, ...(kind && { kind }) });
  };
  for (let i = 0; i < o.comments.count; i++) fold(o.comments.from[i], o.comments.to[i], 'comment');
  for (const part of [Part.Const, Part.Var]) {
    const first = o.at[part];
    if (first < 0) continue;
    let last = first;
    while (last + 1 < o.count && o.part[last + 1] === part && o.sym[last + 1] !== Sym.EOF) last++;
    fold(o.from[first], o.to[last]);
  }
  return ranges.sort((a, b) => a.startLine - b.startLine);
}

// "Run" over the program's first token.
export function codeLens(doc) {
  if (!doc) return null;
  const first = outline(doc.text).token(0);
  return [{
    range: doc.text.range(first.from, first.sym === Sym.EOF ? first.from : first.to),
    command: { title: 'Run', command: 'kel.run', arguments: [doc.uri] },
  }];
}

// kel's run of the document: the lines of both channels in the order kel wrote them, and the
// exit status, for the editors' "Run File".
export function run(doc) {
  const r = doc?.result;
  if (!r) return { error: 'the document is not open' };
  if (!r.lines) return { error: notChecked(r) };
  return { status: r.status, lines: r.lines };
}

const shownLines = 40;

// The last part of a document's URI, decoded where it can be.
function fileName(uri) {
  const last = String(uri).split('/').pop();
  try {
    return decodeURIComponent(last);
  } catch {
    return last;
  }
}

// The command kel.run, for a client that leaves it to the server: the run, and a message with
// what kel wrote but its trace, and the exit status.
export function runCommand(doc, uri) {
  const result = run(doc);
  const name = fileName(uri);
  if (result.error) return { result, message: { type: MessageType.Warning, text: `kel did not run ${name}: ${result.error}` } };
  const lines = result.lines.filter((l) => l.fd === 1 || (l.text !== traceHeader && !traceCommand(l.text)));
  const text = [`kel ran ${name}: exit status ${result.status}`, ...lines.slice(0, shownLines).map((l) => l.text)];
  if (lines.length > shownLines) text.push(`(${lines.length - shownLines} more lines)`);
  const type = result.status === 0 ? MessageType.Info : MessageType.Warning;
  return { result, message: { type, text: text.join('\n') } };
}
