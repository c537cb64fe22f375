// kel's language for the editor: the tokens as kel's scanner sees them, and their colours.
// Comments nest, so the tokenizer keeps the depth from line to line; an unclosed comment runs to
// the end of the text, as kel reads it.
import { HighlightStyle, StreamLanguage, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import { keywords, predeclared } from './facts.js';

// The symbols that start a token; any other printable ASCII character is refused by kel.
// Bytes below 33 and above 126 separate tokens.
const symbols = /^(:=|<=|>=|<>|[#&()*+\-./;=|~:<>])/;

// Skips comment text up to the close of the outermost open comment, or to the line's end.
function comment(stream, state) {
  while (!stream.eol()) {
    if (stream.match('(*')) state.depth++;
    else if (stream.match('*)')) {
      if (--state.depth === 0) break;
    } else stream.next();
  }
  return 'comment';
}

export const kel = StreamLanguage.define({
  name: 'kel',
  startState: () => ({ depth: 0 }),
  copyState: (s) => ({ depth: s.depth }),
  token(stream, state) {
    if (state.depth > 0) return comment(stream, state);
    if (stream.eatWhile((c) => c <= ' ' || c > '~')) return null;
    if (stream.match('(*')) {
      state.depth = 1;
      return comment(stream, state);
    }
    // Letters after digits continue a number in kel's scanner.
    if (stream.match(/^[0-9][0-9A-Za-z]*/)) return 'number';
    if (stream.match(/^[A-Za-z][0-9A-Za-z]*/)) {
      const word = stream.current();
      if (keywords.includes(word)) return 'keyword';
      if (predeclared.includes(word)) return 'atom';
      return 'variableName';
    }
    if (stream.match(symbols)) return 'operator';
    stream.next();
    return 'invalid';
  },
  languageData: { commentTokens: { block: { open: '(*', close: '*)' } } },
});

// The colours are the page's custom properties, so the dark set applies here too.
export const kelHighlight = syntaxHighlighting(
  HighlightStyle.define([
    { tag: tags.keyword, color: 'var(--kw)', fontWeight: 'bold' },
    { tag: tags.atom, color: 'var(--atom)' },
    { tag: tags.number, color: 'var(--num)' },
    { tag: tags.comment, color: 'var(--comment)', fontStyle: 'italic' },
    { tag: tags.operator, color: 'var(--op)' },
    { tag: tags.invalid, color: 'var(--bad)', textDecoration: 'underline wavy' },
  ]),
);
