// The step view's data, from one run of kel (web/kel.js): every command kel generated, with the
// source kel had read when it generated it, and the machine after it ran. kel lists each command
// and its operand on the error output (the generation trace), so the machine is rebuilt here by
// running the trace again with kel's own rules: the 1024-byte code store, the 32-entry stack, the
// 32 variables, checked 32-bit arithmetic and floored division, and kel's messages. No DOM.

const prefix = 'Comp.DebugG: ';
const header = 'Comp.DebugG:  pos';
const traceLine = /^Comp\.DebugG: +(\d+):  (.*)$/;
const codeSize = 1024;
const stackSize = 32;
const varCount = 32;

// The operations, in the order of their codes, by trace name (the trace lists "Or" as "Or "):
// the number of operands, the result f(x, y) or the value written (out), and plain words with
// how the operands are shown. y is the top, x the value below it (the top alone for one).
const bool = (x) => (x !== 0 ? 'TRUE' : 'FALSE');
const compare = 'compare the two top values';
const ops = {};
[
  ['Null', 0],
  ['Wrt', 1, { out: String }, 'write the top as a number', (x) => x],
  ['WrB', 1, { out: bool }, 'write the top as a Boolean', bool],
  ['Neg', 1, { f: (x) => checked(-x) }, 'negate the top', (x) => `-(${x})`],
  ['Add', 2, { f: (x, y) => checked(x + y) }, 'add the two top values', (x, y) => `${x} + ${y}`],
  ['Sub', 2, { f: (x, y) => checked(x - y) }, 'subtract the top from the value below it',
    (x, y) => `${x} - ${y}`],
  ['Mul', 2, { f: (x, y) => checked(x * y) }, 'multiply the two top values', (x, y) => `${x} * ${y}`],
  ['Div', 2, { f: (x, y) => divide(x, y) }, 'divide the value below the top by the top, rounding down',
    (x, y) => `${x} / ${y}`],
  ['Bus', 2, { f: (x, y) => checked(y - x) }, 'subtract the value below the top from the top',
    (x, y) => `${y} - ${x}`],
  ['Vid', 2, { f: (x, y) => divide(y, x) }, 'divide the top by the value below it, rounding down',
    (x, y) => `${y} / ${x}`],
  ['Eql', 2, { f: (x, y) => +(x === y) }, compare, (x, y) => `${x} = ${y}`],
  ['Neq', 2, { f: (x, y) => +(x !== y) }, compare, (x, y) => `${x} # ${y}`],
  ['Lss', 2, { f: (x, y) => +(x < y) }, compare, (x, y) => `${x} < ${y}`],
  ['Leq', 2, { f: (x, y) => +(x <= y) }, compare, (x, y) => `${x} <= ${y}`],
  ['Gtr', 2, { f: (x, y) => +(x > y) }, compare, (x, y) => `${x} > ${y}`],
  ['Geq', 2, { f: (x, y) => +(x >= y) }, compare, (x, y) => `${x} >= ${y}`],
  ['Not', 1, { f: (x) => +(x === 0) }, 'negate the Boolean on top', (x) => `~${x}`],
  ['Or', 2, { f: (x, y) => +(x !== 0 || y !== 0) }, 'either of the two top Booleans',
    (x, y) => `${x} | ${y}`],
  ['And', 2, { f: (x, y) => +(x !== 0 && y !== 0) }, 'both of the two top Booleans', (x, y) => `${x} & ${y}`],
].forEach(([name, n, how, words, shown], code) => {
  ops[name] = { code, n, ...how, say: (...v) => `${words}: ${shown(...v)}` };
});

class Failure {
  constructor(text) {
    this.text = text;
  }
}
const fatal = (what) => new Failure(`Fatal error: ${what}.`);
const comp = (what) => new Failure(`Comp: ${what}.`);

// The exact result must fit in 32 bits; kel never wraps. A double holds every sum of two 32-bit
// values exactly, and a product that it rounds is far out of range anyway.
function checked(r) {
  if (r < -0x80000000 || r > 0x7fffffff) throw fatal('Integer overflow');
  return r + 0; // no -0
}

// The machine tests a zero divisor itself; a negative one is a fatal run-time error.
function divide(x, y) {
  if (y === 0) throw comp('Division by zero');
  if (y < 0) throw fatal('Negative divisor');
  return Math.floor(x / y) + 0; // exact: the quotient is never within rounding of an integer
}

// The bytes of a command: its function byte, then its operand, least significant byte first.
function encode(fct, operand) {
  if (fct === 4) return Uint8Array.of(4, operand);
  const b = new Uint8Array(5);
  b[0] = fct;
  new DataView(b.buffer).setUint32(1, operand >>> 0, true);
  return b;
}

// What kel wrote, as lines in the order their ends were written: each line's channel (1 or 2),
// its text up to its CR LF, and how far kel had read (input bytes) when it wrote that end. A last
// line without a line end comes after the others, with how far kel had read at its channel's last
// write.
export function writtenLines(chunks) {
  const lines = [];
  const open = { 1: '', 2: '' };
  const decoders = { 1: new TextDecoder(), 2: new TextDecoder() };
  const last = { 1: 0, 2: 0 };
  for (const c of chunks) {
    const parts = (open[c.fd] + decoders[c.fd].decode(c.bytes, { stream: true })).split('\r\n');
    open[c.fd] = parts.pop();
    for (const text of parts) lines.push({ fd: c.fd, text, read: c.read });
    last[c.fd] = c.read;
  }
  for (const fd of [1, 2]) {
    const rest = open[fd] + decoders[fd].decode();
    if (rest) lines.push({ fd, text: rest, read: last[fd] });
  }
  return lines;
}

// kel's diagnostic line: a source error with its line and column, an error of the code store or
// a fatal run-time error, or anything else kel says.
function diagnosticOf(text) {
  const m = /^(?:Scnr|Prsr) \((\d+),(\d+)\): /.exec(text);
  if (m) return { text, kind: 'source', line: Number(m[1]), col: Number(m[2]) };
  const kind = /^(Comp|Fatal error): /.test(text) ? 'runtime' : 'other';
  return { text, kind, line: null, col: null };
}

// The variables' names by slot, from the declarations at the start of the source: slots are
// given in the order of the VAR part. kel's tokens up to "BEGIN" are enough, as far as the
// declarations are well formed (kel stops at the first one that is not).
export function declaredNames(input) {
  const names = [];
  const next = tokens(input);
  let t = next();
  if (t === 'CONST') {
    t = next();
    while (isIdent(t)) {
      next(59); // to the ";" that ends the declaration: a constant's expression holds none
      t = next();
    }
  }
  if (t === 'VAR') {
    t = next();
    while (isIdent(t)) {
      const name = t;
      if (next() !== ':' || !isIdent(next())) break;
      names.push(name);
      if (next() !== ';') break;
      t = next();
    }
  }
  return names;
}

const keywords = new Set(['CONST', 'VAR', 'BEGIN', 'WRITE']);
const isIdent = (t) => t !== null && t.length > 0 && /^[A-Za-z]/.test(t) && !keywords.has(t);

// kel's tokens, one per call, as far as the declarations need them: identifiers and keywords
// as their text, a number as '0', anything else as its first character; white space and nested
// comments are skipped, and byte 26 ends the source as it ends kel's input. null at the end.
// next(c) passes over everything but comments up to the character with code c.
function tokens(input) {
  const n = input.length;
  const alnum = (b) => (b >= 48 && b <= 57) || (b >= 65 && b <= 90) || (b >= 97 && b <= 122);
  let i = 0;
  return (until) => {
    for (;;) {
      if (i >= n || input[i] === 26) return null;
      const b = input[i];
      const comment = b === 40 && input[i + 1] === 42;
      if (b <= 32 || b >= 127 || (until !== undefined && b !== until && !comment)) {
        i++;
      } else if (comment) {
        let depth = 1;
        for (i += 2; depth > 0; ) {
          if (i >= n || input[i] === 26) return null;
          if (input[i] === 40 && input[i + 1] === 42) (depth++, (i += 2));
          else if (input[i] === 42 && input[i + 1] === 41) (depth--, (i += 2));
          else i++;
        }
      } else if (alnum(b)) {
        const from = i;
        while (i < n && alnum(input[i])) i++;
        if (b <= 57) return '0';
        if (i - from > 1024) return null; // more than kel's identifier store holds
        return String.fromCharCode(...input.subarray(from, i));
      } else {
        i++;
        return String.fromCharCode(b);
      }
    }
  };
}

// One trace line as a command: its name and operand, its bytes, and what it does to the machine.
function commandOf(body) {
  const [name, arg] = body.split(' ');
  const operand = arg === undefined || arg === '' ? undefined : Number(arg);
  if (name === 'Val') return { name, operand, bytes: encode(1, operand) };
  if (name === 'Lod') return { name, operand, bytes: encode(2, operand) };
  if (name === 'Sto') return { name, operand, bytes: encode(3, operand) };
  const op = ops[name];
  return { name, operand, op, bytes: op ? encode(4, op.code) : Uint8Array.of(4) };
}

// Runs one command on the machine m as kel does: the check, the two writes to the code store,
// then the command itself. Returns the plain words for it; throws a Failure as kel fails.
function execute(m, cmd, names) {
  const slot = (i) => (names[i] === undefined ? `slot ${i}` : `${names[i]} (slot ${i})`);
  const store = () => {
    for (const part of [cmd.bytes.subarray(0, 1), cmd.bytes.subarray(1)]) {
      if (m.len + part.length > codeSize) throw comp('Program too large');
      m.code.set(part, m.len);
      m.len += part.length;
    }
  };
  const push = (v) => {
    if (m.stack.length >= stackSize) throw comp('Stack overflow');
    m.stack.push(v);
  };
  const pop = () => {
    if (m.stack.length === 0) throw comp('Stack underflow');
    return m.stack.pop();
  };
  switch (cmd.name) {
    case 'Val':
      m.words = `push the constant ${cmd.operand}`;
      store();
      push(cmd.operand);
      return m.words;
    case 'Lod':
    case 'Sto': {
      const i = cmd.operand;
      m.words = `${cmd.name === 'Lod' ? 'push the value of' : 'store into'} ${slot(i)}`;
      if (i >= varCount) throw comp('Invalid index');
      store();
      if (cmd.name === 'Lod') {
        push(m.vars[i]);
        return `${m.words}: ${m.vars[i]}`;
      }
      m.vars[i] = pop();
      m.stored.add(i);
      return `${m.words}: ${m.vars[i]}`;
    }
  }
  const op = cmd.op;
  m.words = `the operation ${cmd.name}`;
  if (!op?.n) throw comp('Bug: Invalid operation'); // Null and unknown ones (never generated)
  store();
  // Both operands are taken before any test: y the top, x the value below it.
  const y = pop();
  const args = op.n === 2 ? [pop(), y] : [y];
  m.words = op.say(...args);
  if (op.out) {
    m.output.push(op.out(y));
    return m.words;
  }
  push(op.f(...args));
  return `${m.words} gives ${m.stack[m.stack.length - 1]}`;
}

// The steps of the step view for a run of kel on input (see the header of this file), the
// diagnostic that ended the run, if any, and the variables' names by slot.
export function replay(input, result) {
  const names = declaredNames(input);
  const errLines = writtenLines(result.chunks).filter((l) => l.fd === 2);
  // The machine: the code store and its length, the stack, the variables and which of them were
  // stored, the lines written, and the words for the command being run.
  const m = {
    code: new Uint8Array(codeSize),
    len: 0,
    stack: [],
    vars: new Int32Array(varCount),
    stored: new Set(),
    output: [],
    words: '',
  };
  const steps = [];
  let diagnostic = null;
  let read = 0;
  errLines.forEach(({ text, read: readTo }, traceRow) => {
    const t = traceLine.exec(text);
    if (!t) {
      if (text !== header && diagnostic === null) diagnostic = diagnosticOf(text);
      return;
    }
    const cmd = commandOf(t[2]);
    const codeFrom = Number(t[1]);
    m.len = codeFrom; // kel's own position; equal to the replay's when all went well
    let explain;
    let error = null;
    try {
      explain = execute(m, cmd, names);
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      error = e.text;
      explain = `${m.words}, which fails`;
    }
    steps.push({
      index: steps.length + 1,
      traceRow,
      text,
      command: text.slice(prefix.length).trimStart(),
      pos: codeFrom,
      name: cmd.name,
      operand: cmd.operand,
      bytes: cmd.bytes,
      codeFrom,
      codeTo: m.len,
      readFrom: read,
      readTo,
      explain,
      stack: [...m.stack],
      vars: [...m.stored]
        .sort((a, b) => a - b)
        .map((slot) => ({ slot, name: names[slot] ?? null, value: m.vars[slot] })),
      output: [...m.output],
      written: cmd.op?.out && error === null ? m.output[m.output.length - 1] : null,
      error,
    });
    read = readTo;
  });
  if (diagnostic) {
    const failed = steps.length > 0 && steps[steps.length - 1].error !== null;
    diagnostic.at = steps.length;
    diagnostic.failed = failed ? steps.length : null;
  }
  return { steps, diagnostic, names, code: m.code.slice(0, m.len) };
}

// Where each non-ASCII character of the source lies, in bytes (from, to) and in the decoded
// text (at), as the page's decoder sees it: a malformed sequence becomes one U+FFFD. Only a whole
// four-byte sequence takes two UTF-16 units. Kept per input.
const charMaps = new WeakMap();

function charMap(input) {
  let map = charMaps.get(input);
  if (map) return map;
  let size = 0;
  let from = new Int32Array(64);
  let to = new Int32Array(64);
  let at = new Int32Array(64);
  let index = 0;
  for (let i = 0; i < input.length; ) {
    const b = input[i];
    if (b < 0x80) {
      i++;
      index++;
      continue;
    }
    // The number of continuation bytes, and the range the first of them must lie in.
    let need = 0;
    let lo = 0x80;
    let hi = 0xbf;
    if (b >= 0xc2 && b <= 0xdf) need = 1;
    else if (b >= 0xe0 && b <= 0xef) need = 2;
    else if (b >= 0xf0 && b <= 0xf4) need = 3;
    if (b === 0xe0) lo = 0xa0;
    else if (b === 0xed) hi = 0x9f;
    else if (b === 0xf0) lo = 0x90;
    else if (b === 0xf4) hi = 0x8f;
    let j = i + 1;
    for (; j - i <= need && j < input.length; j++) {
      const c = input[j];
      if (j === i + 1 ? c < lo || c > hi : c < 0x80 || c > 0xbf) break;
    }
    if (size === from.length) [from, to, at] = [from, to, at].map((a) => grow(a));
    from[size] = i;
    to[size] = j;
    at[size] = index;
    size++;
    index += j - i === 4 ? 2 : 1;
    i = j;
  }
  map = { size, from, to, at };
  charMaps.set(input, map);
  return map;
}

function grow(a) {
  const b = new Int32Array(a.length * 2);
  b.set(a);
  return b;
}

// The string index, in the source decoded as UTF-8 (a byte-order mark counts as a character, as
// in the text the bytes were encoded from), of the byte at byteOffset; a byte inside a character
// gives that character's start. Offsets past the end give the end.
export function charIndex(input, byteOffset) {
  const b = Math.max(0, Math.min(byteOffset, input.length));
  const map = charMap(input);
  let lo = 0;
  let hi = map.size; // the first character that starts after b
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (map.from[mid] <= b) lo = mid + 1;
    else hi = mid;
  }
  if (lo === 0) return b;
  const c = lo - 1;
  if (b < map.to[c]) return map.at[c];
  return map.at[c] + (map.to[c] - map.from[c] === 4 ? 2 : 1) + (b - map.to[c]);
}

// The string index of kel's position (line and column from 1, counted in bytes; only a line feed
// starts a line), kept within the source.
export function positionIndex(input, line, col) {
  let start = 0;
  for (let l = 1; l < line; l++) {
    const lf = input.indexOf(10, start);
    if (lf < 0) return charIndex(input, input.length);
    start = lf + 1;
  }
  return charIndex(input, start + Math.max(col, 1) - 1);
}
