// The open documents and their checks. A document is opened and checked at once, or changed and
// checked once the changes pause; what a check finds is published as the document's diagnostics.
// A request about a document waits for the check of its present text (started at once if it
// waits for the pause), and is answered from the document as checked: { uri, version, text,
// result }, text a Text (text.js), result what check.js found or why there is nothing.
import { diagnostics, maxBytes } from './diagnostics.js';
import { Text } from './text.js';

const delay = 150; // ms from the last change to its check

export class Documents {
  // checker: the Checker (checker.js), or null without kel.wasm, where note says why; publish:
  // sends the protocol's publishDiagnostics params.
  constructor(checker, note, publish) {
    this.checker = checker;
    this.note = note;
    this.publish = publish;
    this.utf8 = false; // positions count bytes, not UTF-16 units; set by initialize
    this.docs = new Map(); // uri -> { uri, text, version, result, timer, ready }
  }

  open(uri, version, text) {
    this.changed(uri, version, text, 0);
  }

  change(uri, version, text) {
    if (this.docs.has(uri)) this.changed(uri, version, text, delay);
  }

  close(uri) {
    const doc = this.docs.get(uri);
    if (!doc) return;
    this.docs.delete(uri);
    clearTimeout(doc.timer);
    this.checker?.drop(uri);
    doc.ready?.done(null);
    this.publish({ uri, diagnostics: [] });
  }

  // The document as checked at its present text, the check started at once if it waits for its
  // pause; null for a document that is not open (or closes meanwhile).
  async current(uri) {
    const doc = this.docs.get(uri);
    if (!doc) return null;
    if (doc.result) return doc;
    if (doc.timer) {
      clearTimeout(doc.timer);
      this.start(doc);
    }
    return (await doc.ready) && this.docs.get(uri) === doc ? doc : null;
  }

  // What the check of a text says, or why there is none.
  evaluate(uri, bytes) {
    if (bytes.length > maxBytes) return { tooLarge: bytes.length };
    if (!this.checker) return { noKel: this.note };
    return this.checker.check(uri, bytes);
  }

  changed(uri, version, text, wait) {
    let doc = this.docs.get(uri);
    if (!doc) this.docs.set(uri, (doc = { uri, ready: null, timer: null }));
    Object.assign(doc, { text: new Text(text, this.utf8), version, result: null });
    if (!doc.ready) {
      let done;
      doc.ready = new Promise((r) => (done = r));
      doc.ready.done = done;
    }
    this.checker?.drop(uri);
    clearTimeout(doc.timer);
    doc.timer = setTimeout(() => this.start(doc), wait);
  }

  async start(doc) {
    doc.timer = null;
    const { uri, text, version } = doc;
    const result = await this.evaluate(uri, text.bytes);
    if (result.superseded || this.docs.get(uri) !== doc || doc.text !== text) return;
    doc.result = result;
    this.publish({ uri, version, diagnostics: diagnostics(doc) });
    doc.ready.done(result);
    doc.ready = null;
  }
}
