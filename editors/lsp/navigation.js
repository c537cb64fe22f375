// A program's names and their uses, found by kel's tokens (outline.js), so that they serve the
// text past kel's first error as well as before it: go to definition, references, document
// highlight, and rename, which refuses a keyword or a predeclared name, and a new name kel would
// not take or that would change what the program means. There is one scope: a spelling names one
// thing throughout.
import { DocumentHighlightKind, LSPErrorCodes, ResponseError } from 'vscode-languageserver/node';
import { isKeyword, keywords, maxNameLength, nameStoreSize, predeclared, Scanner, Sym } from '../../core/index.js';
import { assigned, declOf, occurrences, outline, storeFull, tokenAt, words } from './outline.js';

// The token at the request's position, with the outline it is found in.
function lookup(doc, params) {
  if (!doc) return null;
  const o = outline(doc.text);
  const k = tokenAt(o, doc.text.offset(params?.position));
  return k < 0 ? null : { o, k, token: o.token(k) };
}

// The declaration of the name at the request's position, with its occurrences, or null.
function named(doc, params) {
  const f = lookup(doc, params);
  const d = f && f.token.sym === Sym.Id ? declOf(f.o, f.k) : null;
  return d && { ...f, d, all: occurrences(f.o, d) };
}

const range = (doc, t) => doc.text.range(t.from, t.to);

export function definition(doc, params) {
  const f = named(doc, params);
  return f && { uri: doc.uri, range: range(doc, f.o.token(f.d.at)) };
}

export function references(doc, params) {
  const f = named(doc, params);
  if (!f) return null;
  const shown = params.context?.includeDeclaration ? f.all : f.all.slice(1);
  return shown.map((k) => ({ uri: doc.uri, range: range(doc, f.o.token(k)) }));
}

// The declaration and every assignment are where the name gets its value; the rest read it.
export function documentHighlight(doc, params) {
  const f = named(doc, params);
  if (!f) return null;
  return f.all.map((k) => ({
    range: range(doc, f.o.token(k)),
    kind: k === f.d.at || assigned(f.o, k) ? DocumentHighlightKind.Write : DocumentHighlightKind.Read,
  }));
}

const refuse = (why) => {
  throw new ResponseError(LSPErrorCodes.RequestFailed, why);
};

// The name at the request's position that may be renamed, or null where there is no name; a
// keyword, a predeclared name or a name the program does not declare is refused, with the reason.
function renamable(doc, params) {
  const f = lookup(doc, params);
  if (!f) return null;
  const { o, k, token } = f;
  if (isKeyword(token.sym)) {
    refuse(`${keywords[token.sym - Sym.Const]} is a keyword of kel, not a name: it cannot be renamed.`);
  }
  if (token.sym !== Sym.Id) return null;
  if (predeclared.includes(token.name)) {
    refuse(`${token.name} is predeclared: kel knows it before the program starts, and it cannot be renamed.`);
  }
  const d = declOf(o, k);
  if (!d) refuse(`${token.name} is not declared here: there is no declaration to rename with it.`);
  return { o, d, token, all: occurrences(o, d) };
}

export function prepareRename(doc, params) {
  const f = renamable(doc, params);
  return f && { range: range(doc, f.token), placeholder: f.d.name };
}

// Whether kel's scanner reads text as one name or keyword, and nothing else.
function oneWord(text) {
  const s = new Scanner((i) => text.charCodeAt(i), text.length);
  const sym = s.read();
  return (sym === Sym.Id || isKeyword(sym)) && s.from === 0 && s.to === text.length;
}

// Why kel would not take newName in place of the name declared by d and written at the tokens
// all, or null.
function refusal(o, d, all, newName) {
  if (!oneWord(newName)) return `"${newName}" is not a name to kel: a letter, then letters and digits only.`;
  if (newName.length > maxNameLength) return `A name has at most ${maxNameLength} characters.`;
  if (keywords.includes(newName)) return `${newName} is a keyword of kel.`;
  if (predeclared.includes(newName)) return `${newName} is predeclared: kel does not let a program declare it.`;
  if (o.uses.has(newName)) return `${newName} is already a name in this program: the two would become one.`;
  // A longer name fills kel's identifier store sooner: it must not run out where it did not.
  const renamed = new Set(all);
  const length = (k) => (renamed.has(k) ? newName.length : o.to[k] - o.from[k]);
  if (newName.length > d.name.length && storeFull(words(o, length)) !== storeFull(words(o))) {
    return `kel's identifier store (${nameStoreSize} bytes) has no room for the longer name.`;
  }
  return null;
}

export function rename(doc, params) {
  const f = renamable(doc, params);
  if (!f) return null;
  const newName = String(params.newName ?? '');
  if (newName === f.d.name) return { changes: { [doc.uri]: [] } };
  const why = refusal(f.o, f.d, f.all, newName);
  if (why) refuse(why);
  const edits = f.all.map((k) => ({ range: range(doc, f.o.token(k)), newText: newName }));
  return { changes: { [doc.uri]: edits } };
}
