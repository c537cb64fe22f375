// A document's text as bytes, the way kel reads it, and the positions of the protocol in it. Every
// position goes through a byte offset of the whole text: kel counts lines by line feeds alone and
// columns in bytes; the protocol ends a line at CR, LF or CR LF and counts its characters in
// UTF-16 code units, or in bytes when the client and the server agree on UTF-8 (utf8, given with
// the text).
import { charIndex } from '../../core/index.js';

const LF = 10;
const CR = 13;

export class Text {
  constructor(text, utf8 = false) {
    this.utf8 = utf8;
    this.bytes = new TextEncoder().encode(text);
    this.starts = null;
    this.ends = null;
  }

  // Makes what positions need: where each line starts and where its content ends (before its
  // line end), in bytes, and the characters' map (core/positions.js). CR and LF never occur
  // inside a multi-byte character, so these are character boundaries. Made once, when first
  // needed, or while the text is checked (documents.js), so that its answers do not wait for it.
  prepare() {
    if (this.starts) return;
    const b = this.bytes;
    const starts = [0];
    const ends = [];
    for (let i = 0; i < b.length; i++) {
      if (b[i] !== LF && b[i] !== CR) continue;
      ends.push(i);
      if (b[i] === CR && b[i + 1] === LF) i++;
      starts.push(i + 1);
    }
    ends.push(b.length);
    this.starts = starts;
    this.ends = ends;
    if (!this.utf8) charIndex(b, b.length);
  }

  // The line holding the byte at offset: the last line that starts at or before it.
  line(offset) {
    this.prepare();
    let lo = 0;
    let hi = this.starts.length - 1;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (this.starts[mid] <= offset) lo = mid;
      else hi = mid - 1;
    }
    return lo;
  }

  // The protocol's position of a byte offset; an offset inside a line end gives the end of the
  // line's content.
  position(offset) {
    this.prepare();
    const o = Math.max(0, Math.min(offset, this.bytes.length));
    const line = this.line(o);
    const at = Math.min(o, this.ends[line]);
    const from = this.starts[line];
    const character = this.utf8 ? at - from : charIndex(this.bytes, at) - charIndex(this.bytes, from);
    return { line, character };
  }

  range(from, to) {
    return { start: this.position(from), end: this.position(to) };
  }

  // The byte offset of a position of the protocol, kept within its line's content: a character
  // beyond the line's end means its end, a line beyond the last the end of the text.
  offset(pos) {
    const line = Math.trunc(Number(pos?.line));
    const character = Math.max(0, Math.trunc(Number(pos?.character)) || 0);
    if (!(line >= 0)) return 0;
    this.prepare();
    if (line >= this.starts.length) return this.bytes.length;
    const from = this.starts[line];
    const end = this.ends[line];
    if (this.utf8) return Math.min(from + character, end);
    // The first byte whose character starts at or after the UTF-16 index asked for.
    const want = charIndex(this.bytes, from) + character;
    let lo = from;
    let hi = end;
    while (lo < hi) {
      const mid = (lo + hi) >> 1;
      if (charIndex(this.bytes, mid) < want) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  }
}
