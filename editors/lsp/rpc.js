// Reads the protocol's messages from a byte stream: header fields, each ended by CR LF, an empty
// line, then Content-Length bytes of JSON. Unlike the library's reader, a message that cannot be
// read is answered, not only logged, and the stream stays usable: a body that is no JSON gets
// ParseError (-32700), JSON that is no message InvalidRequest (-32600), both with id null, as
// there is no id one could trust; so does a request whose id is neither a number nor a string. A
// bad header (no Content-Length, two of them, a line not ended by CR LF, a length over the limit)
// gets ParseError. A body that is no UTF-8 gets ParseError too, unless it is a notification: that
// is passed on, its bad bytes read as U+FFFD and its params marked, so that a document is opened
// whatever its bytes.
//
// After anything bad the reader resynchronises: it passes over bytes up to the next
// "Content-Length: N" line ended by CR LF, which no JSON text can hold, as JSON escapes line ends
// in its strings. The same line inside a body cuts it short, so a Content-Length too long costs
// its own message and not the next one.
import { AbstractMessageReader, ErrorCodes } from 'vscode-languageserver/node';

const maxHeader = 8192; // a header block longer than this is garbage
// A longer body is refused without being read, so that a client cannot make the server hold
// more; the largest text checked, 4 MiB, takes up to six times its size in JSON, where control
// characters are escaped.
const maxBody = 32 * 1024 * 1024;
// The start of a message: its Content-Length line.
const lengthLine = /content-length:[ \t]*\d+[ \t]*\r\n/i;
const lengthLineMax = 64; // bytes of such a line that a search keeps from one chunk to the next

// Marks the params of a notification whose text was not valid UTF-8: its bad bytes are read as
// U+FFFD, so that a document that holds them can still be opened.
export const notUtf8 = Symbol('not valid UTF-8');

// After a body that was no JSON, whether the bytes that follow (head) are more of it, as when its
// Content-Length was too short, rather than a header: they are unless they start with a field's
// name and a colon. null while that cannot be told yet.
function restOfBody(head) {
  const name = /^[-!#$%&'*+.^_`|~0-9a-z]*/i.exec(head.toString('latin1', 0, 256))[0].length;
  if (name === head.length && name < 256) return null;
  return !(name > 0 && head[name] === 58);
}

export class Reader extends AbstractMessageReader {
  // reply(message) sends an answer of the reader's own, an error response; admit(message) says
  // whether a message read is passed on.
  constructor(stream, reply, admit = () => true) {
    super();
    this.stream = stream;
    this.reply = reply;
    this.admit = admit;
    this.chunks = [];
    this.size = 0;
    this.state = 'header'; // or 'body' (want bytes), or 'lost' (looking for a Content-Length)
    this.want = 0;
    this.scanned = 0; // bytes of the body searched for a Content-Length line
    this.quiet = false; // after a body that was no JSON: what follows may be more of it
    this.strict = new TextDecoder('utf-8', { fatal: true });
    this.lenient = new TextDecoder('utf-8');
  }

  listen(callback) {
    this.callback = callback;
    const data = (chunk) => this.onData(chunk);
    this.stream.on('data', data);
    this.stream.on('error', (e) => this.fireError(e));
    this.stream.on('close', () => this.fireClose());
    return { dispose: () => this.stream.off('data', data) };
  }

  fail(code, message) {
    this.reply({ jsonrpc: '2.0', id: null, error: { code, message } });
  }

  // Answers a bad message and passes over the next n bytes, then looks for the next message.
  lose(message, n) {
    if (message) this.fail(ErrorCodes.ParseError, `Parse error: ${message}`);
    this.take(n);
    this.state = 'lost';
  }

  onData(chunk) {
    this.chunks.push(chunk);
    this.size += chunk.length;
    while (this.state === 'lost' ? this.resync() : this.state === 'header' ? this.header() : this.body());
  }

  // The bytes from..to of what is buffered (to at most size), copied only when they span chunks.
  slice(from, to) {
    to = Math.min(to, this.size);
    let at = 0;
    const parts = [];
    for (const c of this.chunks) {
      if (at + c.length > from && at < to) parts.push(c.subarray(Math.max(0, from - at), to - at));
      at += c.length;
      if (at >= to) break;
    }
    return parts.length === 1 ? parts[0] : Buffer.concat(parts);
  }

  take(n) {
    const all = this.slice(0, this.size);
    this.chunks = n < all.length ? [all.subarray(n)] : [];
    this.size = Math.max(0, all.length - n);
    return all.subarray(0, n);
  }

  // Where a Content-Length line starts in the buffered bytes from..to, or -1.
  findLength(from, to) {
    const at = this.slice(from, to).toString('latin1').search(lengthLine);
    return at < 0 ? -1 : from + at;
  }

  // Passes over bytes up to the next Content-Length line; true when one was found.
  resync() {
    const at = this.findLength(0, this.size);
    if (at >= 0) {
      this.take(at);
      this.state = 'header';
      return true;
    }
    this.take(Math.max(0, this.size - lengthLineMax)); // keep what may be the start of one
    return false;
  }

  // Reads one header block, if it is all there; true when one was read (good or bad). A block
  // that has no valid Content-Length may hold the start of the next message in its lines, and
  // is searched from its second byte; any other bad block is passed over.
  header() {
    const head = this.slice(0, maxHeader + 2);
    if (this.quiet) {
      const rest = restOfBody(head);
      if (rest === null) return false;
      this.quiet = false;
      if (rest) {
        this.lose(null, 1);
        return true;
      }
    }
    const fields = [];
    let at = 0;
    for (;;) {
      const lf = head.indexOf(10, at);
      if (lf < 0) {
        if (this.size < maxHeader) return false;
        this.lose('no end of the header', Math.max(at, 1));
        return true;
      }
      if (lf === at || head[lf - 1] !== 13) {
        this.lose('a header line not ended by CR LF', lf + 1);
        return true;
      }
      const line = head.toString('latin1', at, lf - 1);
      at = lf + 1;
      if (line === '') break;
      fields.push(line);
    }
    const lengths = fields.map((f) => /^content-length:[ \t]*(.*?)[ \t]*$/i.exec(f)?.[1]).filter((v) => v !== undefined);
    if (lengths.length > 1) {
      this.lose('two Content-Length fields in the header', at);
    } else if (!/^\d+$/.test(lengths[0] ?? '')) {
      this.lose('no valid Content-Length in the header', 1);
    } else if (Number(lengths[0]) > maxBody) {
      this.lose(`a message of ${lengths[0]} bytes, over ${maxBody}`, at);
    } else {
      this.take(at);
      this.state = 'body';
      this.want = Number(lengths[0]);
      this.scanned = 0;
    }
    return true;
  }

  // Reads the body, once it is all there, unless a Content-Length line inside it shows that it
  // is shorter than its header said.
  body() {
    const end = Math.min(this.size, this.want + lengthLineMax);
    const cut = this.findLength(Math.max(0, this.scanned - lengthLineMax), end);
    this.scanned = end;
    if (cut >= 0 && cut < this.want) {
      this.lose('the message ends before its Content-Length', 0);
      return true;
    }
    if (this.size < this.want) return false;
    const body = this.slice(0, this.want);
    this.quiet = !this.message(body);
    this.take(this.want);
    this.state = 'header';
    return true;
  }

  // Passes a message on, or answers why it cannot be; false when the body was no JSON.
  message(body) {
    let text;
    let bad = false;
    try {
      text = this.strict.decode(body);
    } catch {
      text = this.lenient.decode(body);
      bad = true;
    }
    let msg;
    try {
      msg = JSON.parse(text);
    } catch (e) {
      this.fail(ErrorCodes.ParseError, `Parse error: ${e.message}`);
      return false;
    }
    const ok = msg !== null && typeof msg === 'object' && !Array.isArray(msg) &&
      (typeof msg.method === 'string' || ('id' in msg && ('result' in msg || 'error' in msg)));
    if (!ok) {
      this.fail(ErrorCodes.InvalidRequest, 'Invalid request: not a request, notification or response');
    } else if (typeof msg.method === 'string' && 'id' in msg && typeof msg.id !== 'number' && typeof msg.id !== 'string') {
      this.fail(ErrorCodes.InvalidRequest, 'Invalid request: an id that is neither a number nor a string');
    } else if (bad && !('id' in msg) && msg.params !== null && typeof msg.params === 'object') {
      msg.params[notUtf8] = true;
      this.pass(msg);
    } else if (bad) {
      this.fail(ErrorCodes.ParseError, 'Parse error: not valid UTF-8');
    } else {
      this.pass(msg);
    }
    return true;
  }

  pass(msg) {
    if (this.admit(msg)) this.callback(msg);
  }
}
