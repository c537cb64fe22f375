// The program as kel's tokens show it, read by the core's scanner (core/tokens.js) once per text:
// its tokens and comments, its parts, its names with every place each is written, and what kel's
// identifier store holds as kel reads them. kel's check says what kel accepted and stops at the
// first error; this reading goes on past it, so that navigation, completion and the fixes still
// serve the text after an error. It reads no further than kel would: to the final full stop, or
// to the end of the input. A text is read only up to the size kel's checks take; the tokens are
// kept in typed arrays, as a text of that size may hold millions of them.
import { isKeyword, nameStoreSize, nameStoreTaken, predeclared, Scanner, Sym } from '../../core/index.js';
import { maxBytes } from './diagnostics.js';

// The parts of a program, in the order kel takes them; a token belongs to the part its keyword
// opened.
export const Part = Object.freeze({ Start: 0, Const: 1, Var: 2, Body: 3 });

const outlines = new WeakMap(); // Text -> Outline: a Text is never changed, a change makes another
const ascii = new TextDecoder();

// Growable columns of numbers.
class Columns {
  constructor(types) {
    this.count = 0;
    this.types = types;
    this.cols = types.map((T) => new T(256));
  }

  push(...values) {
    if (this.count === this.cols[0].length) {
      this.cols = this.cols.map((c, i) => {
        const bigger = new this.types[i](c.length * 2);
        bigger.set(c);
        return bigger;
      });
    }
    values.forEach((v, i) => (this.cols[i][this.count] = v));
    this.count++;
  }
}

// The outline of a text (text.js). Its tokens are indexed 0 to count - 1, in order; the last is
// the final "." or Sym.EOF, where the input ends. token(k) gives { sym, from, to, part, name },
// name the text of an identifier (null otherwise). Also:
// - comments: from[i], to[i] of each comment, count of them;
// - at: the index of the CONST, VAR and BEGIN that open the parts (-1 for one that is missing);
// - decls: name -> { name, kind, at, type, visibleFrom } for each name the program declares, the
//   first declaration of a spelling (a second is kel's error): at is the index of its token, type
//   a variable's type name (or null), visibleFrom the first token that may use it, as kel counts
//   a name only once its declaration has been read;
// - uses: name -> the indices of every token that is that name, in order.
export function outline(text) {
  let o = outlines.get(text);
  if (!o) outlines.set(text, (o = new Outline(text.bytes.length > maxBytes ? new Uint8Array(0) : text.bytes)));
  return o;
}

class Outline {
  constructor(bytes) {
    this.bytes = bytes;
    const s = new Scanner((i) => bytes[i], bytes.length);
    const tokens = new Columns([Uint8Array, Int32Array, Int32Array, Uint8Array]);
    const comments = new Columns([Int32Array, Int32Array]);
    this.at = { [Part.Const]: -1, [Part.Var]: -1, [Part.Body]: -1 };
    let part = Part.Start;
    for (;;) {
      s.blank();
      const sym = s.token();
      if (sym === Sym.Comment) {
        const from = s.from;
        s.comment();
        comments.push(from, s.i);
        continue;
      }
      const next = sym === Sym.Const ? Part.Const : sym === Sym.Var ? Part.Var : sym === Sym.Beg ? Part.Body : -1;
      if (next > part) {
        part = next;
        this.at[part] = tokens.count;
      }
      tokens.push(sym, s.from, s.to, part);
      if (sym === Sym.EOF || (sym === Sym.Dot && part === Part.Body)) break;
    }
    this.count = tokens.count;
    [this.sym, this.from, this.to, this.part] = tokens.cols;
    this.comments = { count: comments.count, from: comments.cols[0], to: comments.cols[1] };
    this.names();
  }

  // The text of the name or keyword k: ASCII only.
  name(k) {
    return ascii.decode(this.bytes.subarray(this.from[k], this.to[k]));
  }

  token(k) {
    if (!(k >= 0 && k < this.count)) return undefined;
    const sym = this.sym[k];
    return { sym, from: this.from[k], to: this.to[k], part: this.part[k], name: sym === Sym.Id ? this.name(k) : null };
  }

  // The declarations (a name that starts a declaration of its part: after the part's keyword or
  // a ";", before "=" or ":") and the uses of every name.
  names() {
    const { sym, part } = this;
    const endsDeclaration = (s) => s === Sym.Semi || s === Sym.EOF || isKeyword(s);
    this.decls = new Map();
    this.uses = new Map();
    for (let k = 0; k < this.count; k++) {
      if (sym[k] !== Sym.Id) continue;
      const name = this.name(k);
      if (!this.uses.has(name)) this.uses.set(name, []);
      this.uses.get(name).push(k);
      if (this.decls.has(name) || predeclared.includes(name)) continue;
      if (sym[k - 1] !== Sym.Semi && sym[k - 1] !== (part[k] === Part.Const ? Sym.Const : Sym.Var)) continue;
      if (part[k] === Part.Const && sym[k + 1] === Sym.Eql) {
        let end = k + 2;
        while (end < this.count - 1 && !endsDeclaration(sym[end])) end++;
        this.decls.set(name, { name, kind: 'constant', at: k, type: null, visibleFrom: end });
      } else if (part[k] === Part.Var && sym[k + 1] === Sym.Col) {
        const type = sym[k + 2] === Sym.Id ? this.name(k + 2) : null;
        this.decls.set(name, { name, kind: 'variable', at: k, type, visibleFrom: k + 3 });
      }
    }
  }
}

// The index of the token that holds offset, or ends right at it (the cursor stands behind a word
// when one asks about it), a word before a symbol where both do; -1 for none (blanks, a comment).
export function tokenAt(o, offset) {
  const { sym, from, to } = o;
  let lo = 0;
  let hi = o.count; // the first token that starts after offset
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (from[mid] <= offset) lo = mid + 1;
    else hi = mid;
  }
  const holds = (k) => k >= 0 && k < o.count && sym[k] !== Sym.EOF && from[k] <= offset && offset <= to[k];
  const word = (k) => sym[k] === Sym.Id || sym[k] === Sym.Num || isKeyword(sym[k]);
  const [before, on] = [lo - 2, lo - 1];
  if (holds(before) && (!holds(on) || (word(before) && !word(on)))) return before;
  return holds(on) ? on : -1;
}

// The index of the token that starts at offset (the end of the input included), or -1.
export function tokenFrom(o, offset) {
  const k = tokenBefore(o, offset + 1);
  if (k + 1 < o.count && o.from[k + 1] === offset) return k + 1;
  return k >= 0 && o.from[k] === offset ? k : -1;
}

// The index of the last token that ends at or before offset, -1 when none does.
export function tokenBefore(o, offset) {
  let lo = 0;
  let hi = o.count;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (o.to[mid] <= offset && o.sym[mid] !== Sym.EOF) lo = mid + 1;
    else hi = mid;
  }
  return lo - 1;
}

// Whether offset lies inside a comment (not at its very start).
export function inComment(o, offset) {
  const { count, from, to } = o.comments;
  let lo = 0;
  let hi = count; // the first comment that starts at or after offset
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (from[mid] < offset) lo = mid + 1;
    else hi = mid;
  }
  return lo > 0 && offset < to[lo - 1];
}

// The declaration a name token refers to, and whether it is the declaring token: null for a
// name the program does not declare, or uses before kel would know it.
export function declOf(o, k) {
  const d = o.sym[k] === Sym.Id ? o.decls.get(o.name(k)) : null;
  if (!d || (k !== d.at && k < d.visibleFrom)) return null;
  return d;
}

// The tokens of a declaration and its uses, the declaration first.
export function occurrences(o, d) {
  return [d.at, ...o.uses.get(d.name).filter((k) => k >= d.visibleFrom)];
}

// Whether the name token k is assigned to: it begins a statement and ":=" follows.
export function assigned(o, k) {
  const before = o.sym[k - 1];
  return o.part[k] === Part.Body && (before === Sym.Beg || before === Sym.Semi) && o.sym[k + 1] === Sym.Bec;
}

// The names and keywords of the program in the order kel reads them, each { k, length, kept }: k
// its token, length its length as the program is to have it (length(k)), kept whether kel keeps
// its entry in the identifier store, as it does for a name it declares.
export function words(o, length = (k) => o.to[k] - o.from[k]) {
  const declared = new Set();
  for (const d of o.decls.values()) declared.add(d.at);
  const out = [];
  for (let k = 0; k < o.count; k++) {
    if (o.sym[k] === Sym.Id || isKeyword(o.sym[k])) out.push({ k, length: length(k), kept: declared.has(k) });
  }
  return out;
}

// The index of the first of read (words read in order, as words() gives them) for which kel's
// identifier store has no room, or -1. kel writes each name or keyword it reads into the store, as
// an entry of 1 + its length behind the entries it keeps.
export function storeFull(read) {
  let kept = nameStoreTaken; // bytes of the entries kept
  for (const [i, w] of read.entries()) {
    if (kept + 1 + w.length > nameStoreSize) return i;
    if (w.kept) kept += 1 + w.length;
  }
  return -1;
}
