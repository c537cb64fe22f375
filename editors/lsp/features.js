// What each request shows of kel's checks: one function per feature, of a document as checked
// (documents.js: { uri, version, text, result }, or null when it is not open) and the request's
// params. Positions go through the document's text (text.js), which counts as the client agreed.
import { SymbolKind } from 'vscode-languageserver/node';
import { notChecked } from './diagnostics.js';

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

// What is at the request's position, with the check it is found in (r).
function lookup(doc, params) {
  if (!doc?.result?.names) return null;
  const found = at(doc.result, doc.text.offset(params.position));
  return found && { r: doc.result, ...found };
}

const detail = (n) => (n.kind === 'constant' ? `= ${n.value} (${n.type})` : `${n.type}, slot ${n.slot}`);
const describe = (n) => `${n.name} ${n.kind === 'constant' ? '' : ': '}${detail(n)}`;

export function hover(doc, params) {
  const f = lookup(doc, params);
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
  return { contents: { kind: 'plaintext', value }, range: doc.text.range(f.span.from, f.span.to) };
}

export function definition(doc, params) {
  const f = lookup(doc, params);
  if (!f || f.name === undefined) return null;
  const n = f.r.names[f.name];
  return { uri: doc.uri, range: doc.text.range(n.from, n.to) };
}

export function references(doc, params) {
  const f = lookup(doc, params);
  if (!f || f.name === undefined) return null;
  const n = f.r.names[f.name];
  const spans = f.r.refs.filter((ref) => ref.decl === f.name);
  if (params.context?.includeDeclaration) spans.unshift(n);
  return spans.map((s) => ({ uri: doc.uri, range: doc.text.range(s.from, s.to) }));
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

// kel's run of the document: the lines of both channels in the order kel wrote them, and the
// exit status, for the editors' "Run File".
export function run(doc) {
  const r = doc?.result;
  if (!r) return { error: 'the document is not open' };
  if (!r.lines) return { error: notChecked(r) };
  return { status: r.status, lines: r.lines };
}

// The requests each feature answers.
export const requests = {
  'textDocument/hover': hover,
  'textDocument/definition': definition,
  'textDocument/references': references,
  'textDocument/documentSymbol': documentSymbol,
  'textDocument/inlayHint': inlayHint,
  'kel/run': run,
};
