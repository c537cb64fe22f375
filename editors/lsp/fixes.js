// Quick fixes for kel's diagnostic, each bound to it and each one edit that takes it away: the
// missing final "."; a missing ";" between statements or after a declaration; the declaration of
// an undeclared variable, of the type its use asks for, in the variable part (made where there is
// none). Where kel has no room left for another name (its object table, its identifier store), no
// declaration is offered.
import { CodeActionKind } from 'vscode-languageserver/node';
import { diagnosticOf, isKeyword, objectCount, positionOffset, predeclared, Sym } from '../../core/index.js';
import { diagnostics } from './diagnostics.js';
import { outline, Part, storeFull, tokenBefore, tokenFrom, words } from './outline.js';

const insert = (doc, offset, newText) => ({ range: doc.text.range(offset, offset), newText });

// The fix for kel's diagnostic d (check.js: { text, from, to }, byte offsets), or null.
function fix(doc, o, d) {
  const e = diagnosticOf(d.text);
  const k = e.kind === 'source' ? tokenFrom(o, positionOffset(doc.text.bytes, e.line, e.col)) : -1;
  if (k < 0) return null;
  const at = o.token(k); // the token kel stopped at: a source error's line and column are its start
  const m = e.message;
  const prev = o.token(tokenBefore(o, at.from));
  const startsStatement = at.sym === Sym.Id || at.sym === Sym.Wrt;
  if (m === 'Expected ";" or "."' && at.sym === Sym.EOF && prev) {
    return { title: 'Insert the final "."', edit: insert(doc, prev.to, ' .') };
  }
  if ((m === 'Expected ";" or "."' && startsStatement && prev) ||
    (m === 'Expected ";"' && (at.sym === Sym.Id || at.sym === Sym.EOF || isKeyword(at.sym)) && prev)) {
    return { title: 'Insert the missing ";"', edit: insert(doc, prev.to, ';') };
  }
  if (m === 'Identifier undeclared' && at.sym === Sym.Id && at.part === Part.Body && k > o.at[Part.Body]) {
    return declare(doc, o, k);
  }
  return null;
}

// The declaration of the name at token k, a variable, at the end of the variable part, or in a
// new one before BEGIN.
function declare(doc, o, k) {
  const name = o.name(k);
  const type = useType(o, k);
  if (o.decls.size + predeclared.length >= objectCount) return null;
  const varPart = o.at[Part.Var] >= 0;
  // kel then reads, before BEGIN, "VAR" for a new variable part, the name, whose entry it keeps,
  // and its type.
  const added = [{ length: name.length, kept: true }, { length: type.length, kept: false }];
  if (!varPart) added.unshift({ length: 'VAR'.length, kept: false });
  const read = words(o);
  read.splice(read.findIndex((w) => w.k === o.at[Part.Body]), 0, ...added);
  if (storeFull(read) >= 0) return null;
  const title = `Declare ${name} : ${type}`;
  const begin = o.token(o.at[Part.Body]);
  if (varPart) {
    const last = o.token(o.at[Part.Body] - 1); // the variable part's last ";", or VAR itself
    return { title, edit: insert(doc, last.to, ` ${name} : ${type};`) };
  }
  // A new variable part goes on a line of its own when BEGIN starts its line.
  const bytes = doc.text.bytes;
  const lineStart = begin.from > 0 ? bytes.lastIndexOf(10, begin.from - 1) + 1 : 0;
  const alone = bytes.subarray(lineStart, begin.from).every((b) => b === 32 || b === 9);
  const eol = bytes.includes(13) && bytes.indexOf(13) + 1 === bytes.indexOf(10) ? '\r\n' : '\n';
  if (alone) return { title, edit: insert(doc, lineStart, `VAR ${name} : ${type};${eol}`) };
  return { title, edit: insert(doc, begin.from, `VAR ${name} : ${type}; `) };
}

const bool = new Set([Sym.Not, Sym.And, Sym.Or]);
const int = new Set([Sym.Mul, Sym.Div, Sym.Plus, Sym.Minus]);
const relation = (sym) => sym >= Sym.Eql && sym <= Sym.Geq;

// The type the use of an undeclared name at token k asks for: as the variable assigned, the
// type of what is assigned to it; as an operand, the type its operator takes, or for a relation
// the other operand's; as the whole value assigned, the type of the variable. INTEGER otherwise.
function useType(o, k) {
  const { sym } = o;
  const before = sym[k - 1];
  const after = sym[k + 1];
  if (after === Sym.Bec) return expressionType(o, k + 2);
  if (bool.has(before) || bool.has(after)) return 'BOOLEAN';
  if (int.has(before) || int.has(after)) return 'INTEGER';
  if (relation(after)) return operandType(o, k + 2) ?? 'INTEGER';
  if (relation(before)) return operandType(o, k - 2) ?? 'INTEGER';
  if (before === Sym.Bec && sym[k - 2] === Sym.Id) return nameType(o, o.name(k - 2)) ?? 'INTEGER';
  return 'INTEGER';
}

// The type of the name, if the program declares it or it is TRUE or FALSE.
function nameType(o, name) {
  if (name === 'TRUE' || name === 'FALSE') return 'BOOLEAN';
  const d = o.decls.get(name);
  if (d?.kind === 'variable') return d.type === 'BOOLEAN' || d.type === 'INTEGER' ? d.type : null;
  if (d?.kind === 'constant') return expressionType(o, d.at + 2, d.visibleFrom);
  return null;
}

// The type of the single operand at token k, a number, a name or "~", or null.
function operandType(o, k) {
  if (o.sym[k] === Sym.Num) return 'INTEGER';
  if (o.sym[k] === Sym.Not) return 'BOOLEAN';
  return o.sym[k] === Sym.Id ? nameType(o, o.name(k)) : null;
}

// The type of the expression from token k to the end of its statement or declaration (or to
// token end): BOOLEAN with a relation or a Boolean operator outside parentheses, INTEGER with an
// arithmetic one; else that of its one operand, looked into when it is in parentheses.
function expressionType(o, k, end = Infinity) {
  for (;;) {
    let depth = 0;
    let i = k;
    let ops = null;
    for (; i < end && i < o.count; i++) {
      const sym = o.sym[i];
      if (sym === Sym.LPar) depth++;
      else if (sym === Sym.RPar && --depth < 0) break;
      else if (sym === Sym.Semi || sym === Sym.Dot || sym === Sym.EOF || isKeyword(sym)) break;
      else if (depth === 0 && (relation(sym) || bool.has(sym))) return 'BOOLEAN';
      else if (depth === 0 && int.has(sym)) ops = 'INTEGER';
    }
    if (ops) return ops;
    if (o.sym[k] !== Sym.LPar) return operandType(o, k) ?? 'INTEGER';
    k++; // one operand in parentheses: the type of what they hold
  }
}

// The fixes for kel's diagnostic, when it is among those the request is about (or the request
// names none and its range touches it).
export function codeAction(doc, params) {
  const d = doc?.result?.diagnostic;
  const only = params?.context?.only;
  const wanted = !Array.isArray(only) || only.includes(CodeActionKind.QuickFix) || only.includes(CodeActionKind.Empty);
  if (!d || !wanted) return [];
  const [published] = diagnostics(doc);
  const given = params.context?.diagnostics;
  let bound = Array.isArray(given) ? given.find((g) => g?.source === 'kel' && g.message === d.text) : null;
  if (!bound && !given?.length) {
    const from = doc.text.offset(params.range?.start);
    const to = doc.text.offset(params.range?.end);
    if (from <= d.to && d.from <= to) bound = published;
  }
  if (!bound) return [];
  const f = fix(doc, outline(doc.text), d);
  if (!f) return [];
  return [{
    title: f.title, kind: CodeActionKind.QuickFix, diagnostics: [bound], isPreferred: true,
    edit: { changes: { [doc.uri]: [f.edit] } },
  }];
}
