// The program as kel's tokens show it, read by the core's scanner (core/tokens.js) once per text:
// its tokens and comments, its parts, and its names with every place each is written. kel's check
// says what kel accepted and stops at the first error; this reading goes on past it, so that
// navigation, completion and the fixes still serve the text after an error. It reads no further
// than kel would: to the final full stop, or to the end of the input.
import { isKeyword, predeclared, Scanner, Sym } from '../../core/index.js';

// The parts of a program, in the order kel takes them; a token belongs to the part its keyword
// opened.
export const Part = Object.freeze({ Start: 0, Const: 1, Var: 2, Body: 3 });

const outlines = new WeakMap(); // Text -> outline: a Text is never changed, a change makes another

// The outline of a document's text (text.js):
// - tokens: { sym, from, to, part, name } in order, name the text of an identifier; the last is
//   the final "." or Sym.EOF, where the input ends;
// - comments: { from, to } of each comment;
// - at: the index of the CONST, VAR and BEGIN that open the parts (-1 for one that is missing);
// - decls: name -> { name, kind, at, type, visibleFrom } for each name the program declares, the
//   first declaration of a spelling (a second is kel's error): at is the index of its token, type
//   a variable's type name (or null), visibleFrom the first token that may use it, as kel counts
//   a name only once its declaration has been read;
// - uses: name -> the indices of every token that is that name, in order.
export function outline(text) {
  let o = outlines.get(text);
  if (!o) outlines.set(text, (o = read(text.bytes)));
  return o;
}

function read(bytes) {
  const s = new Scanner((i) => bytes[i], bytes.length);
  const tokens = [];
  const comments = [];
  const at = { [Part.Const]: -1, [Part.Var]: -1, [Part.Body]: -1 };
  let part = Part.Start;
  for (;;) {
    s.blank();
    const sym = s.token();
    if (sym === Sym.Comment) {
      const from = s.from;
      s.comment();
      comments.push({ from, to: s.i });
      continue;
    }
    const next = sym === Sym.Const ? Part.Const : sym === Sym.Var ? Part.Var : sym === Sym.Beg ? Part.Body : -1;
    if (next > part) {
      part = next;
      at[part] = tokens.length;
    }
    tokens.push({ sym, from: s.from, to: s.to, part, name: sym === Sym.Id ? s.text() : null });
    if (sym === Sym.EOF || (sym === Sym.Dot && part === Part.Body)) break;
  }
  const { decls, uses } = names(tokens);
  return { tokens, comments, at, decls, uses };
}

const endsDeclaration = (sym) => sym === Sym.Semi || sym === Sym.EOF || isKeyword(sym);

// The declarations (a name that starts a declaration of its part: after the part's keyword or a
// ";", before "=" or ":") and the uses of every name.
function names(tokens) {
  const decls = new Map();
  const uses = new Map();
  tokens.forEach((t, k) => {
    if (t.sym !== Sym.Id) return;
    if (!uses.has(t.name)) uses.set(t.name, []);
    uses.get(t.name).push(k);
    const before = tokens[k - 1]?.sym;
    const after = tokens[k + 1]?.sym;
    if (decls.has(t.name) || predeclared.includes(t.name)) return;
    if (before !== Sym.Semi && before !== (t.part === Part.Const ? Sym.Const : Sym.Var)) return;
    if (t.part === Part.Const && after === Sym.Eql) {
      let end = k + 2;
      while (!endsDeclaration(tokens[end].sym)) end++;
      decls.set(t.name, { name: t.name, kind: 'constant', at: k, type: null, visibleFrom: end });
    } else if (t.part === Part.Var && after === Sym.Col) {
      const type = tokens[k + 2].sym === Sym.Id ? tokens[k + 2].name : null;
      decls.set(t.name, { name: t.name, kind: 'variable', at: k, type, visibleFrom: k + 3 });
    }
  });
  return { decls, uses };
}

// The index of the token that holds offset, or ends right at it (the cursor stands behind a word
// when one asks about it), a word before a symbol where both do; -1 for none (blanks, a comment).
export function tokenAt(o, offset) {
  const { tokens } = o;
  let lo = 0;
  let hi = tokens.length; // the first token that starts after offset
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (tokens[mid].from <= offset) lo = mid + 1;
    else hi = mid;
  }
  const holds = (k) => tokens[k] && tokens[k].sym !== Sym.EOF && tokens[k].from <= offset && offset <= tokens[k].to;
  const word = (k) => tokens[k].sym === Sym.Id || tokens[k].sym === Sym.Num || isKeyword(tokens[k].sym);
  const [before, on] = [lo - 2, lo - 1];
  if (holds(before) && (!holds(on) || (word(before) && !word(on)))) return before;
  return holds(on) ? on : -1;
}

// The index of the token that starts at offset (the end of the input included), or -1.
export function tokenFrom(o, offset) {
  const k = tokenBefore(o, offset + 1);
  const t = o.tokens[k + 1];
  if (t?.from === offset) return k + 1;
  return o.tokens[k]?.from === offset ? k : -1;
}

// The index of the last token that ends at or before offset, -1 when none does.
export function tokenBefore(o, offset) {
  const { tokens } = o;
  let lo = 0;
  let hi = tokens.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (tokens[mid].to <= offset && tokens[mid].sym !== Sym.EOF) lo = mid + 1;
    else hi = mid;
  }
  return lo - 1;
}

// Whether offset lies inside a comment (not at its very start).
export function inComment(o, offset) {
  return o.comments.some((c) => c.from < offset && offset < c.to);
}

// The declaration a name token refers to, and whether it is the declaring token: null for a
// name the program does not declare, or uses before kel would know it.
export function declOf(o, k) {
  const d = o.decls.get(o.tokens[k]?.name);
  if (!d || (k !== d.at && k < d.visibleFrom)) return null;
  return d;
}

// The tokens of a declaration and its uses, the declaration first.
export function occurrences(o, d) {
  return [d.at, ...o.uses.get(d.name).filter((k) => k >= d.visibleFrom)];
}

// Whether the name token k is assigned to: it begins a statement and ":=" follows.
export function assigned(o, k) {
  const { tokens } = o;
  const before = tokens[k - 1]?.sym;
  return tokens[k].part === Part.Body && (before === Sym.Beg || before === Sym.Semi) && tokens[k + 1]?.sym === Sym.Bec;
}
