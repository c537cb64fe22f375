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

// The operations by trace name (the "Or" operation is listed as "Or " in the trace), with their
// code, their number of operands and what they do: f(x, y) gives the result, or throws a
// message; y is the top, x the value below it (the top alone for one operand).
const ops = {
  Null: { code: 0 },
  Wrt: { code: 1, n: 1, out: (x) => String(x), say: (x) => `write the top as a number: ${x}` },
  WrB: { code: 2, n: 1, out: (x) => (x !== 0 ? 'TRUE' : 'FALSE'), say: (x) => `write the top as a Boolean: ${x !== 0 ? 'TRUE' : 'FALSE'}` },
  Neg: { code: 3, n: 1, f: (x) => checked(-x), say: (x) => `negate the top: -(${x})` },
  Add: { code: 4, n: 2, f: (x, y) => checked(x + y), say: (x, y) => `add the two top values: ${x} + ${y}` },
  Sub: { code: 5, n: 2, f: (x, y) => checked(x - y), say: (x, y) => `subtract the top from the value below it: ${x} - ${y}` },
  Mul: { code: 6, n: 2, f: (x, y) => checked(x * y), say: (x, y) => `multiply the two top values: ${x} * ${y}` },
  Div: { code: 7, n: 2, f: (x, y) => divide(x, y), say: (x, y) => `divide the value below the top by the top, rounding down: ${x} / ${y}` },
  Bus: { code: 8, n: 2, f: (x, y) => checked(y - x), say: (x, y) => `subtract the value below the top from the top: ${y} - ${x}` },
  Vid: { code: 9, n: 2, f: (x, y) => divide(y, x), say: (x, y) => `divide the top by the value below it, rounding down: ${y} / ${x}` },
  Eql: { code: 10, n: 2, f: (x, y) => +(x === y), say: (x, y) => `compare the two top values: ${x} = ${y}` },
  Neq: { code: 11, n: 2, f: (x, y) => +(x !== y), say: (x, y) => `compare the two top values: ${x} # ${y}` },
  Lss: { code: 12, n: 2, f: (x, y) => +(x < y), say: (x, y) => `compare the two top values: ${x} < ${y}` },
  Leq: { code: 13, n: 2, f: (x, y) => +(x <= y), say: (x, y) => `compare the two top values: ${x} <= ${y}` },
  Gtr: { code: 14, n: 2, f: (x, y) => +(x > y), say: (x, y) => `compare the two top values: ${x} > ${y}` },
  Geq: { code: 15, n: 2, f: (x, y) => +(x >= y), say: (x, y) => `compare the two top values: ${x} >= ${y}` },
  Not: { code: 16, n: 1, f: (x) => +(x === 0), say: (x) => `negate the Boolean on top: ~${x}` },
  Or: { code: 17, n: 2, f: (x, y) => +(x !== 0 || y !== 0), say: (x, y) => `either of the two top Booleans: ${x} | ${y}` },
  And: { code: 18, n: 2, f: (x, y) => +(x !== 0 && y !== 0), say: (x, y) => `both of the two top Booleans: ${x} & ${y}` },
};

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

// The lines of one channel, with how far kel had read when it wrote each line.
function linesOf(chunks, fd) {
  const dec = new TextDecoder();
  const lines = [];
  let open = '';
  let read = 0;
  for (const c of chunks) {
    if (c.fd !== fd) continue;
    const parts = (open + dec.decode(c.bytes, { stream: true })).split('\r\n');
    open = parts.pop();
    for (const text of parts) lines.push({ text, read: c.read });
    read = c.read;
  }
  open += dec.decode();
  if (open) lines.push({ text: open, read });
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
// given in the order of the VAR part. A scan of the tokens up to "BEGIN" is enough, as far as the
// declarations are well formed (kel stops at the first one that is not).
export function declaredNames(input) {
  const names = [];
  const tokens = scan(input);
  let t = tokens.next().value;
  const next = () => (t = tokens.next().value);
  if (t === 'CONST') {
    next();
    while (isIdent(t)) {
      while (t !== undefined && t !== ';') next(); // a constant's expression holds no ";"
      next();
    }
  }
  if (t === 'VAR') {
    next();
    while (isIdent(t)) {
      const name = t;
      if (next() !== ':' || !isIdent(next())) break;
      names.push(name);
      if (next() !== ';') break;
      next();
    }
  }
  return names;
}

const keywords = new Set(['CONST', 'VAR', 'BEGIN', 'WRITE']);
const isIdent = (t) => t !== undefined && /^[A-Za-z]/.test(t) && !keywords.has(t);

// kel's tokens as texts, as far as the declarations need them: identifiers and keywords whole,
// everything else by the character; white space and nested comments skipped; byte 26 ends.
function* scan(input) {
  const n = input.length;
  const alnum = (b) => (b >= 48 && b <= 57) || (b >= 65 && b <= 90) || (b >= 97 && b <= 122);
  let i = 0;
  while (i < n) {
    const b = input[i];
    if (b === 26) return;
    if (b <= 32 || b >= 127) {
      i++;
    } else if (b === 40 && input[i + 1] === 42) {
      let depth = 1;
      for (i += 2; depth > 0; ) {
        if (i >= n || input[i] === 26) return;
        if (input[i] === 40 && input[i + 1] === 42) (depth++, (i += 2));
        else if (input[i] === 42 && input[i + 1] === 41) (depth--, (i += 2));
        else i++;
      }
    } else if (alnum(b)) {
      let j = i + 1;
      while (j < n && alnum(input[j])) j++;
      if (j - i > 1024) return; // more than kel's identifier store holds
      yield String.fromCharCode(...input.subarray(i, j));
      i = j;
    } else {
      yield String.fromCharCode(b);
      i++;
    }
  }
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
  const errLines = linesOf(result.chunks, 2);
  const m = { code: new Uint8Array(codeSize), len: 0, stack: [], vars: new Int32Array(varCount), stored: new Set(), output: [] };
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
      vars: [...m.stored].sort((a, b) => a - b).map((slot) => ({ slot, name: names[slot] ?? null, value: m.vars[slot] })),
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

// Where each non-ASCII character of the source lies in bytes and in the decoded text, as the
// decoder of the page sees it (a malformed sequence becomes one U+FFFD), kept per input.
const charMaps = new WeakMap();

function charMap(input) {
  let map = charMaps.get(input);
  if (map) return map;
  map = { from: [], to: [], at: [], units: [] }; // byte range, string index, UTF-16 units
  let index = 0;
  for (let i = 0; i < input.length; ) {
    const b = input[i];
    if (b < 0x80) {
      i++;
      index++;
      continue;
    }
    const [need, lo, hi] =
      b >= 0xc2 && b <= 0xdf ? [1, 0x80, 0xbf]
      : b === 0xe0 ? [2, 0xa0, 0xbf]
      : b === 0xed ? [2, 0x80, 0x9f]
      : b >= 0xe1 && b <= 0xef ? [2, 0x80, 0xbf]
      : b === 0xf0 ? [3, 0x90, 0xbf]
      : b === 0xf4 ? [3, 0x80, 0x8f]
      : b >= 0xf1 && b <= 0xf3 ? [3, 0x80, 0xbf]
      : [0];
    let j = i + 1;
    let k = 0;
    while (k < need && j < input.length && input[j] >= (k === 0 ? lo : 0x80) && input[j] <= (k === 0 ? hi : 0xbf)) {
      j++;
      k++;
    }
    const units = k === need && need === 3 ? 2 : 1;
    map.from.push(i);
    map.to.push(j);
    map.at.push(index);
    map.units.push(units);
    index += units;
    i = j;
  }
  charMaps.set(input, map);
  return map;
}

// The string index, in the source decoded as UTF-8 (a byte-order mark counts as a character, as
// in the text the bytes were encoded from), of the byte at byteOffset; a byte inside a character
// gives that character's start. Offsets past the end give the end.
export function charIndex(input, byteOffset) {
  const b = Math.max(0, Math.min(byteOffset, input.length));
  const map = charMap(input);
  let lo = 0;
  let hi = map.from.length; // the first character that starts after b
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (map.from[mid] <= b) lo = mid + 1;
    else hi = mid;
  }
  if (lo === 0) return b;
  const c = lo - 1;
  if (b < map.to[c]) return map.at[c];
  return map.at[c] + map.units[c] + (b - map.to[c]);
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
