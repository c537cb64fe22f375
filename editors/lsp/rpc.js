// Reads the protocol's messages from a byte stream: headers, an empty line, then Content-Length
// bytes of JSON. Unlike the library's reader, a message that cannot be read is answered, not only
// logged, and the stream stays usable: a body that is no JSON gets ParseError (-32700), JSON that
// is no message InvalidRequest (-32600), both with id null, as there is no id one could trust; a
// header without a usable Content-Length gets ParseError, and reading goes on at the next
// Content-Length header.
import { AbstractMessageReader, ErrorCodes } from 'vscode-languageserver/node';

const headerEnd = Buffer.from('\r\n\r\n');
const maxHeader = 8192; // a header block longer than this is garbage
// A longer body is refused and passed over unread, so that a client cannot make the server hold
// more; the largest text checked, 4 MiB, takes up to six times its size in JSON, where control
// characters are escaped.
const maxBody = 32 * 1024 * 1024;

export class Reader extends AbstractMessageReader {
  // reply(message) sends an answer of the reader's own, an error response.
  constructor(stream, reply) {
    super();
    this.stream = stream;
    this.reply = reply;
    this.chunks = [];
    this.size = 0;
    this.want = -1; // the body's length while one is read
    this.skip = 0; // bytes still to pass over, of a body too long to read
    this.lost = false; // after a bad header: look for the next Content-Length
    this.decoder = new TextDecoder('utf-8', { fatal: true });
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

  take(n) {
    const all = this.chunks.length === 1 ? this.chunks[0] : Buffer.concat(this.chunks, this.size);
    this.chunks = n < all.length ? [all.subarray(n)] : [];
    this.size = all.length - n;
    return all.subarray(0, n);
  }

  onData(chunk) {
    if (this.skip > 0) {
      const n = Math.min(this.skip, chunk.length);
      this.skip -= n;
      chunk = chunk.subarray(n);
    }
    if (chunk.length === 0) return;
    this.chunks.push(chunk);
    this.size += chunk.length;
    for (;;) {
      if (this.want < 0) {
        if (!this.header()) return;
      } else if (this.size >= this.want) {
        const body = this.take(this.want);
        this.want = -1;
        this.message(body);
      } else {
        return;
      }
    }
  }

  // Reads one header block, if it is all there; true when one was read (good or bad).
  header() {
    let head = this.peek(Math.min(this.size, maxHeader + headerEnd.length));
    if (this.lost) {
      const at = head.toString('latin1').search(/content-length:/i);
      if (at < 0) {
        const more = head.length < this.size;
        this.take(Math.max(0, head.length - 15)); // keep what may be the start of one
        return more;
      }
      this.take(at);
      this.lost = false;
      head = this.peek(Math.min(this.size, maxHeader + headerEnd.length));
    }
    const end = head.indexOf(headerEnd);
    if (end < 0) {
      if (this.size <= maxHeader) return false;
      this.take(this.size);
      this.fail(ErrorCodes.ParseError, 'Parse error: no end of the header');
      this.lost = true;
      return false;
    }
    const fields = head.subarray(0, end).toString('latin1').split('\r\n');
    this.take(end + headerEnd.length);
    const length = fields.map((f) => /^content-length:[ \t]*(\d+)[ \t]*$/i.exec(f)).find(Boolean)?.[1];
    if (length === undefined) {
      this.fail(ErrorCodes.ParseError, 'Parse error: no valid Content-Length in the header');
      this.lost = true;
      return true;
    }
    const n = Number(length);
    if (n > maxBody) {
      this.fail(ErrorCodes.ParseError, `Parse error: a message of ${n} bytes, over ${maxBody}`);
      const here = Math.min(n, this.size);
      this.take(here);
      this.skip = n - here;
      return true;
    }
    this.want = n;
    return true;
  }

  peek(n) {
    if (this.chunks.length > 1 && this.chunks[0].length < n) {
      this.chunks = [Buffer.concat(this.chunks, this.size)];
    }
    return this.chunks.length ? this.chunks[0].subarray(0, n) : Buffer.alloc(0);
  }

  message(body) {
    let msg;
    try {
      msg = JSON.parse(this.decoder.decode(body));
    } catch (e) {
      this.fail(ErrorCodes.ParseError, `Parse error: ${e.message}`);
      return;
    }
    const ok = msg !== null && typeof msg === 'object' && !Array.isArray(msg) &&
      (typeof msg.method === 'string' || ('id' in msg && ('result' in msg || 'error' in msg)));
    if (!ok) {
      this.fail(ErrorCodes.InvalidRequest, 'Invalid request: not a request, notification or response');
      return;
    }
    this.callback(msg);
  }
}
