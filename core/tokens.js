// kel's tokens, by the rules of kel's scanner, over any text whose code units can be had by
// index: the bytes of a whole source (offsets in bytes), or one line of the editor (offsets in
// UTF-16 units). Every byte above 126 is white space to kel, and so is every UTF-16 unit above
// 126, since every byte of a character beyond ASCII is; so both read alike. The highlighter
// (lang.js) reads a line at a time and carries the comment depth over; the mirror of kel's parser
// (mirror.js) reads a whole source, one token per read() as kel does.
import { keywords, maxNumber } from './facts.js';

// kel's token kinds, numbered as kel numbers them: its parser tests the ranges Mul..And,
// Plus..Or and Eql..Geq, and the keywords follow in the order of facts.keywords. Comment and
// Invalid are not kel's kinds: what the scanner meets that is no token.
export const Sym = Object.freeze({
  Null: 0, Num: 1, Id: 2, Col: 3, Bec: 4, LPar: 5, Not: 6, Mul: 7, Div: 8, And: 9, Plus: 10,
  Minus: 11, Or: 12, Eql: 13, Neq: 14, Lss: 15, Leq: 16, Gtr: 17, Geq: 18, RPar: 19, Semi: 20,
  Dot: 21, Const: 22, Var: 23, Beg: 24, Wrt: 25, EOF: 26, Comment: 27, Invalid: 28,
});

export const isKeyword = (sym) => sym >= Sym.Const && sym <= Sym.Wrt;

const endMarker = 26; // this byte ends kel's input as its physical end does

// The tokens of one character that need no look-ahead.
const single = new Uint8Array(128);
for (const [c, s] of Object.entries({
  '#': Sym.Neq, '&': Sym.And, ')': Sym.RPar, '*': Sym.Mul, '+': Sym.Plus, '-': Sym.Minus, '.': Sym.Dot,
  '/': Sym.Div, ';': Sym.Semi, '=': Sym.Eql, '|': Sym.Or, '~': Sym.Not,
})) {
  single[c.charCodeAt(0)] = s;
}

const isDigit = (c) => c >= 48 && c <= 57;
const isLetter = (c) => (c >= 65 && c <= 90) || (c >= 97 && c <= 122);
const isWhite = (c) => (c <= 32 && c !== endMarker) || c >= 127;

// A scanner over the code units at(i), 0 <= i < end, from i. After each token: sym, its range
// from..to, num for a number, and error, kel's message when kel stops at this token (null
// otherwise). cur is then the character kel looks at last: the one after the token, which the
// scanner has read to know the token ended, or, where kel stops, the one it stopped at.
export class Scanner {
  constructor(at, end, i = 0) {
    this.at = at;
    this.end = end;
    this.i = i; // the next character to read
    this.depth = 0; // comments open at i
    this.sym = Sym.Null;
    this.from = i;
    this.to = i;
    this.cur = i;
    this.num = 0;
    this.error = null;
  }

  // The text of from..to, a name or a keyword: ASCII only.
  text(from = this.from, to = this.to) {
    let s = '';
    for (let k = from; k < to; k++) s += String.fromCharCode(this.at(k));
    return s;
  }

  // How far kel has read once it looks at cur: up to cur and cur too, unless it is past the
  // end.
  get readTo() {
    return Math.min(this.cur + 1, this.end);
  }

  // Passes over white space; true when there was any.
  blank() {
    const start = this.i;
    while (this.i < this.end && isWhite(this.at(this.i))) this.i++;
    return this.i > start;
  }

  // Passes over comment text while a comment is open, up to the end of the outermost one or to
  // the end of the text (or of kel's input). Comments nest; "(" and "*" alone are passed one at
  // a time, so "**)" closes a comment and "((*" opens one.
  comment() {
    const { at, end } = this;
    let i = this.i;
    let depth = this.depth;
    while (depth > 0 && i < end) {
      const c = at(i);
      if (c === endMarker) break;
      i++;
      if (c === 40 && i < end && at(i) === 42) {
        depth++;
        i++;
      } else if (c === 42 && i < end && at(i) === 41) {
        depth--;
        i++;
      }
    }
    this.i = i;
    this.depth = depth;
  }

  // Reads what starts at i, which is no white space: a token, or the "(*" that opens a comment
  // (Sym.Comment, with depth 1: comment() passes over the rest), or at the end Sym.EOF. Returns
  // sym.
  token() {
    const { at, end } = this;
    let i = this.i;
    const take = (c) => i < end && at(i) === c && ++i > 0;
    this.from = i;
    this.error = null;
    let s;
    const c = i < end ? at(i) : endMarker;
    if (c === endMarker) {
      s = Sym.EOF; // kel reads no further: this character is its last
    } else if (isDigit(c)) {
      i = this.number(i);
      s = Sym.Num;
    } else if (isLetter(c)) {
      while (++i < end && (isDigit(at(i)) || isLetter(at(i))));
      s = Sym.Id;
      if (i - this.from <= 5) {
        const k = keywords.indexOf(this.text(this.from, i));
        if (k >= 0) s = Sym.Const + k;
      }
    } else {
      i++;
      if (c < 128 && single[c]) s = single[c];
      else if (c === 58) s = take(61) ? Sym.Bec : Sym.Col; // ":", ":="
      else if (c === 60) s = take(61) ? Sym.Leq : take(62) ? Sym.Neq : Sym.Lss; // "<", "<=", "<>"
      else if (c === 62) s = take(61) ? Sym.Geq : Sym.Gtr; // ">", ">="
      else if (c === 40) s = take(42) ? Sym.Comment : Sym.LPar; // "(", "(*"
      else s = Sym.Invalid;
    }
    if (s === Sym.Comment) this.depth = 1;
    if (s === Sym.Invalid) {
      this.error = 'Invalid character';
      this.cur = this.from;
    } else if (this.error === null) {
      this.cur = i;
    }
    this.i = this.to = i;
    this.sym = s;
    return s;
  }

  // Reads a number from i, its first digit; returns its end. Digits only: a letter after them
  // is an error, and the number takes in the letters and digits that follow, which kel never
  // reads as a name.
  number(i) {
    const { at, end } = this;
    let n = 0;
    for (; i < end && isDigit(at(i)); i++) {
      n = n * 10 + (at(i) - 48);
      if (n > maxNumber && this.error === null) {
        this.error = 'Number too large';
        this.cur = i;
      }
    }
    this.num = n;
    if (i < end && isLetter(at(i))) {
      if (this.error === null) {
        this.error = 'Invalid number';
        this.cur = i;
      }
      while (++i < end && (isDigit(at(i)) || isLetter(at(i))));
    }
    return i;
  }

  // kel's Read: the next token, past white space and comments. An unclosed comment is kel's
  // error at its "(", having read all there is.
  read() {
    for (;;) {
      this.blank();
      if (this.token() !== Sym.Comment) return this.sym;
      const start = this.from;
      this.comment();
      if (this.depth > 0) {
        this.from = start;
        this.to = this.cur = this.i;
        this.error = 'Unterminated comment (start pos)';
        return this.sym;
      }
    }
  }
}
