// kel's language for the editor: its tokens as kel's scanner reads them (tokens.js), a line at a
// time, and their colours. The state between lines is the depth of open comments, and whether
// kel's reading has ended: at the program's first full stop (kel's parser ends or fails there),
// or at a byte 26. What follows is never read, and shows as unread; an unclosed comment runs to
// the end of the text, as kel reads it.
import { HighlightStyle, StreamLanguage, syntaxHighlighting } from '@codemirror/language';
import { Tag, tags } from '@lezer/highlight';
import { isKeyword, predeclaredNames, Scanner, Sym } from '../core/index.js';

// The classes of the editor's tokens, and their tags.
const badNumber = Tag.define(tags.invalid);
const unread = Tag.define(tags.comment);
const tokenTable = {
  keyword: tags.keyword,
  constant: tags.bool,
  typeName: tags.typeName,
  name: tags.variableName,
  number: tags.number,
  badnumber: badNumber,
  operator: tags.operator,
  paren: tags.paren,
  punctuation: tags.punctuation,
  invalid: tags.invalid,
  comment: tags.comment,
  unread,
};

const predeclaredClass = new Map(predeclaredNames.map((p) => [p.name, p.kind === 'type' ? 'typeName' : p.kind]));

// A token's class. A number kel refuses for its size is still a number to the eye; one with a
// letter after its digits is not one at all.
function classOf(s) {
  switch (s.sym) {
    case Sym.Num: return s.error === 'Invalid number' ? 'badnumber' : 'number';
    case Sym.Id: return predeclaredClass.get(s.text()) ?? 'name';
    case Sym.LPar: case Sym.RPar: return 'paren';
    case Sym.Semi: case Sym.Dot: return 'punctuation';
    case Sym.Invalid: return 'invalid';
    default: return isKeyword(s.sym) ? 'keyword' : 'operator';
  }
}

export const kel = StreamLanguage.define({
  name: 'kel',
  startState: () => ({ depth: 0, ended: false }),
  copyState: (s) => ({ ...s }),
  token(stream, state) {
    const line = stream.string;
    const s = new Scanner((i) => line.charCodeAt(i), line.length, stream.pos);
    s.depth = state.depth;
    let cls = 'comment';
    if (state.ended) {
      s.i = line.length;
      cls = 'unread';
    } else if (s.depth > 0) {
      s.comment();
      if (s.i === stream.pos) {
        // At a byte 26 (comment() passed nothing): kel reads no further.
        state.ended = true;
        s.i = line.length;
        cls = 'unread';
      }
    } else if (s.blank()) {
      cls = null;
    } else if (s.token() === Sym.Comment) {
      s.comment();
    } else if (s.sym === Sym.EOF) {
      state.ended = true;
      s.i = line.length;
      cls = 'unread';
    } else {
      state.ended = s.sym === Sym.Dot;
      cls = classOf(s);
    }
    // A byte 26 inside a comment ends kel's input there.
    if (s.depth > 0 && s.i < line.length) state.ended = true;
    state.depth = s.depth;
    stream.pos = s.i;
    return cls;
  },
  tokenTable,
  languageData: { commentTokens: { block: { open: '(*', close: '*)' } } },
});

// The colours are the page's custom properties, so the dark set applies here too.
export const kelHighlight = syntaxHighlighting(
  HighlightStyle.define([
    { tag: tags.keyword, color: 'var(--kw)', fontWeight: 'bold' },
    { tag: [tags.bool, tags.typeName], color: 'var(--atom)' },
    { tag: tags.number, color: 'var(--num)' },
    { tag: tags.comment, color: 'var(--comment)', fontStyle: 'italic' },
    { tag: [tags.operator, tags.punctuation], color: 'var(--op)' },
    { tag: tags.invalid, color: 'var(--bad)', textDecoration: 'underline wavy' },
  ]),
);
