// The open documents and their checks. A document is opened and checked at once, or changed and
// checked once the changes pause; what the check of its newest text finds is published as its
// diagnostics. Each text a document has is a Version, { uri, version, text, result }: text a
// Text (text.js), result, once checked, what check.js found or why there is nothing. A request is
// answered from the Version it was made against, once that is checked, and with ContentModified
// when a newer text came first: never from another text. Changes are applied by the library's
// TextDocument, whole or in part; one that cannot be applied leaves the document unchecked, and
// says so, until a change brings its whole text.
import { LSPErrorCodes, ResponseError } from 'vscode-languageserver/node';
import { TextDocument } from 'vscode-languageserver-textdocument';
import { charIndex } from '../../core/index.js';
import { diagnostics, maxBytes } from './diagnostics.js';
import { Text } from './text.js';

const delay = 150; // ms from the last change to its check
const encoder = new TextEncoder();

// One text of a document. Its Text is made when first asked for: most texts typed are never
// checked nor asked about.
class Version {
  constructor(uri, version, string, utf8) {
    this.uri = uri;
    this.version = version;
    this.string = string;
    this.utf8 = utf8;
    this.result = null;
    this.checked = new Promise((resolve) => (this.settle = resolve)); // to this, or null if passed over
  }

  get text() {
    return (this.made ??= new Text(this.string, this.utf8));
  }

  finish(result) {
    this.result = result;
    this.settle(this);
  }
}

const isCount = (n) => Number.isInteger(n) && n >= 0;

// Why change cannot be applied to content (the library's TextDocument), or null. A position's
// character beyond its line means the line's end, as the protocol has it; a line beyond the text
// is the client's text disagreeing with the server's.
function unusable(change, content) {
  if (typeof change?.text !== 'string') return 'a change came without its text';
  if (change.range === undefined) return null;
  const { start, end } = change.range ?? {};
  if (![start?.line, start?.character, end?.line, end?.character].every(isCount)) return 'a change came with a bad range';
  const last = content.lineCount - 1;
  const past = (p) => p.line > last + 1 || (p.line === last + 1 && p.character > 0);
  if (!past(start) && !past(end)) return null;
  return `a change came for line ${Math.max(start.line, end.line) + 1} of a text of ${last + 1} lines`;
}

// The position in UTF-16 units of a position whose character counts bytes of UTF-8, found in its
// line alone (core/positions.js): a character inside a character of several bytes means that
// one's start, and one beyond the line's content its end.
function fromUtf8(content, { line, character }) {
  const text = content.getText({ start: { line, character: 0 }, end: { line: line + 1, character: 0 } });
  return { line, character: charIndex(encoder.encode(text.replace(/\r?\n$|\r$/, '')), character) };
}

export class Documents {
  // checker: the Checker (checker.js), or null without kel.wasm, where note says why; publish:
  // sends the protocol's publishDiagnostics params.
  constructor(checker, note, publish) {
    this.checker = checker;
    this.note = note;
    this.publish = publish;
    this.utf8 = false; // positions count bytes, not UTF-16 units; set by initialize
    this.docs = new Map(); // uri -> { content, version, timer, lost, notUtf8, current }
  }

  // notUtf8: the text came with bytes that are no UTF-8, read as U+FFFD; it is not checked.
  open(uri, version, text, notUtf8 = false) {
    this.close(uri, false);
    this.docs.set(uri, this.made(uri, version, text, notUtf8));
    this.next(uri, 0);
  }

  made(uri, version, text, notUtf8) {
    return { content: TextDocument.create(uri, 'kel', 0, text), version, notUtf8, lost: null, timer: null, current: null };
  }

  // Applies changes in order. A document the server has not got whole (its opening was refused
  // unread, or a change could not be applied) is opened by a change that brings its whole text.
  change(uri, version, changes, notUtf8 = false) {
    const list = Array.isArray(changes) ? changes : [null];
    const whole = list.findLastIndex((c) => c?.range === undefined && typeof c?.text === 'string');
    let doc = this.docs.get(uri);
    let rest = list;
    if ((!doc || doc.lost) && whole >= 0) {
      this.close(uri, false);
      this.docs.set(uri, (doc = this.made(uri, version, list[whole].text, notUtf8)));
      rest = list.slice(whole + 1);
    } else if (!doc) {
      this.docs.set(uri, (doc = this.made(uri, version, '', notUtf8)));
      doc.lost = 'the message that opened it could not be read';
      rest = [];
      process.stderr.write(`kel-language-server: ${uri}: ${doc.lost}\n`);
    }
    doc.version = version;
    doc.notUtf8 = notUtf8;
    for (const change of doc.lost ? [] : rest) {
      doc.lost = unusable(change, doc.content);
      if (doc.lost) {
        process.stderr.write(`kel-language-server: ${uri}: ${doc.lost}\n`);
        break;
      }
      this.apply(doc.content, change);
    }
    this.next(uri, delay);
  }

  // One change, whose positions count as the client agreed: in bytes, they are made UTF-16's.
  apply(content, change) {
    if (this.utf8 && change.range) {
      const { start, end } = change.range;
      change = { range: { start: fromUtf8(content, start), end: fromUtf8(content, end) }, text: change.text };
    }
    TextDocument.update(content, [change], content.version + 1);
  }

  close(uri, publish = true) {
    const doc = this.docs.get(uri);
    if (!doc) return;
    this.docs.delete(uri);
    clearTimeout(doc.timer);
    this.checker?.drop(uri);
    doc.current?.settle(null);
    if (publish) this.publish({ uri, diagnostics: [] });
  }

  // The present Version of a document once it is checked; null for a document that is not open.
  // Rejects with ContentModified when a newer text comes, or the document closes, first.
  async checked(uri) {
    const doc = this.docs.get(uri);
    if (!doc) return null;
    const v = await doc.current.checked;
    if (!v) {
      throw new ResponseError(LSPErrorCodes.ContentModified, 'Content modified: the text changed before it was checked');
    }
    return v;
  }

  // The present Version of a document, checked or not; null for a document that is not open.
  present(uri) {
    return this.docs.get(uri)?.current ?? null;
  }

  // The document's newest text: the older one is passed over, and this one checked after wait.
  next(uri, wait) {
    const doc = this.docs.get(uri);
    doc.current?.settle(null);
    this.checker?.drop(uri);
    clearTimeout(doc.timer);
    const v = (doc.current = new Version(uri, doc.version, doc.lost ? '' : doc.content.getText(), this.utf8));
    if (doc.lost || doc.notUtf8) this.finish(v, doc.lost ? { lost: doc.lost } : { notUtf8: true });
    else doc.timer = setTimeout(() => this.check(uri, doc, v), wait);
  }

  async check(uri, doc, v) {
    doc.timer = null;
    const bytes = v.text.bytes;
    let result;
    if (bytes.length > maxBytes) result = { tooLarge: bytes.length };
    else if (!this.checker) result = { noKel: this.note };
    else {
      const checked = this.checker.check(uri, bytes);
      v.text.prepare(); // while kel reads the text in its thread
      result = await checked;
    }
    if (!result.superseded && doc.current === v && this.docs.get(uri) === doc) this.finish(v, result);
  }

  finish(v, result) {
    v.finish(result);
    this.publish({ uri: v.uri, version: v.version, diagnostics: diagnostics(v) });
  }
}
