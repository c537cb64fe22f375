// Completion: what may stand where the cursor is, by kel's grammar and the tokens before it
// (outline.js). The keywords where a part or a statement begins; a variable where a statement
// begins, to assign to; the declared constants and variables, TRUE and FALSE where a value is
// read; INTEGER and BOOLEAN after ":" in a variable declaration. A name's detail is its value
// and type as kel's check found them, else its type as declared.
import { CompletionItemKind } from 'vscode-languageserver/node';
import { isKeyword, predeclaredNames, Sym } from '../../core/index.js';
import { inComment, outline, Part, tokenAt, tokenBefore } from './outline.js';

const keyword = {
  CONST: 'the constant part: name = value;',
  VAR: 'the variable part: name : type;',
  BEGIN: 'the statements, up to the final "."',
  WRITE: 'writes a value on a line of its own',
};

// Tokens after which a value is read: an operator, "(", ":=", WRITE, and "=" in a constant's
// declaration.
const readsValue = new Set([
  Sym.LPar, Sym.Not, Sym.Mul, Sym.Div, Sym.And, Sym.Plus, Sym.Minus, Sym.Or, Sym.Eql, Sym.Neq, Sym.Lss,
  Sym.Leq, Sym.Gtr, Sym.Geq, Sym.Bec, Sym.Wrt,
]);

// What the grammar allows after token p (-1: at the start): { keywords, names: 'values' |
// 'variables' | null, types }, or null for nothing.
function expected(o, p) {
  const t = o.token(p);
  if (!t) return { keywords: ['CONST', 'VAR', 'BEGIN'] };
  if (t.sym === Sym.Dot && t.part === Part.Body) return null; // kel reads nothing after it
  const starts = t.sym === Sym.Semi || isKeyword(t.sym);
  switch (t.part) {
    case Part.Const:
      if (starts && t.sym !== Sym.Wrt) return { keywords: ['VAR', 'BEGIN'] };
      return readsValue.has(t.sym) ? { names: 'values' } : null;
    case Part.Var:
      if (starts && t.sym !== Sym.Wrt) return { keywords: ['BEGIN'] };
      return t.sym === Sym.Col ? { types: true } : null;
    case Part.Body:
      if (t.sym === Sym.Beg || t.sym === Sym.Semi) return { keywords: ['WRITE'], names: 'variables' };
      return readsValue.has(t.sym) ? { names: 'values' } : null;
    default:
      return null;
  }
}

const kinds = { constant: CompletionItemKind.Constant, variable: CompletionItemKind.Variable };

// The detail of a declared name: what kel's check says of it, or its declared type.
function detail(d, checked) {
  const n = checked.get(d.name);
  if (n) return n.kind === 'constant' ? `= ${n.value} (${n.type})` : n.type;
  if (d.kind === 'constant') return 'constant';
  return d.type === 'INTEGER' || d.type === 'BOOLEAN' ? d.type : 'variable';
}

// The program's names that a token after token p may use: all of them when names is 'values',
// the variables alone when it is 'variables'.
function declared(o, p, names, checked) {
  const items = [];
  for (const d of o.decls.values()) {
    if (d.visibleFrom > p || (names === 'variables' && d.kind !== 'variable')) continue;
    items.push({ label: d.name, kind: kinds[d.kind], detail: detail(d, checked) });
  }
  return items;
}

function items(o, p, want, checked) {
  const out = (want.keywords ?? []).map((k) => ({ label: k, kind: CompletionItemKind.Keyword, detail: keyword[k] }));
  if (want.names) out.push(...declared(o, p, want.names, checked));
  for (const n of predeclaredNames) {
    if (n.kind === 'constant' && want.names === 'values') {
      out.push({ label: n.name, kind: CompletionItemKind.Constant, detail: `= ${n.name} (${n.type}), predeclared` });
    } else if (n.kind === 'type' && want.types) {
      out.push({ label: n.name, kind: CompletionItemKind.Class, detail: 'type, predeclared' });
    }
  }
  return out;
}

export function completion(doc, params) {
  if (!doc) return null;
  const o = outline(doc.text);
  const offset = doc.text.offset(params?.position);
  if (inComment(o, offset)) return [];
  // A word being typed is replaced as a whole: what may stand there is decided by the token
  // before it.
  const k = tokenAt(o, offset);
  const word = k >= 0 && (o.sym[k] === Sym.Id || isKeyword(o.sym[k]));
  if (k >= 0 && !word && o.to[k] > offset) return []; // inside a number or a symbol
  const p = word ? k - 1 : tokenBefore(o, offset);
  const want = expected(o, p);
  if (!want) return [];
  const checked = new Map((doc.result?.names ?? []).map((n) => [n.name, n]));
  return { isIncomplete: false, items: items(o, p, want, checked) };
}
