// The mirror of kel's parser: what kel holds while its parser reads a source, and the steps that
// change it, as kel's scanner, object table and emitters take them: the token kel has just read
// and how far it has read, the identifier store's use, the object table and the names counted
// so far, the code store's length and the types of the values on the machine's stack (kept by
// the machine's own rules, machine.js), and every command generated, each with its origin and
// the types on the stack after it, and the statements and operations begun and not yet done,
// from which held.js tells what kel holds after each command. The parser (parser.js) drives it
// by kel's grammar; origins.js checks what it predicted against kel's own run. No DOM: the
// worker and node use it alike.
import { Failure } from './arith.js';
import {
  commands, maxNameLength, nameStoreSize, nameStoreTaken, objectCount, operation, predeclared, predeclaredNames,
} from './facts.js';
import { holding } from './held.js';
import { push, write } from './machine.js';
import { isKeyword, Scanner, Sym } from './tokens.js';

// The kind of token kel had just read, in words.
function kindOf(sym) {
  if (sym === Sym.Num) return 'number';
  if (sym === Sym.Id) return 'name';
  if (isKeyword(sym)) return 'keyword';
  return sym === Sym.EOF ? 'end' : 'symbol';
}

// Where kel stops: a source error (who, msg, at), a failed fold or an error of the code store or
// machine (text), with how far kel had read.
export class Stop {
  constructor(fields) {
    Object.assign(this, fields);
  }
}

// kel's state over input, from before its first byte. Each command and each name records after:
// how many commands had been generated before it.
export class Mirror {
  constructor(input) {
    this.s = new Scanner((i) => input[i], input.length);
    this.nameFree = nameStoreTaken; // where the identifier store writes the next name
    this.objects = predeclaredNames.map((p) => ({ ...p, predeclared: true, after: 0 }));
    this.visible = new Map(predeclared.map((name, i) => [name, i])); // the entries counted so far
    this.slots = 0; // the next variable's slot
    this.len = 0; // the code store's length
    this.stack = []; // the types of the values on the machine's stack
    this.nesting = 0; // the levels of "(" and "~" open in the factor being read
    this.commands = [];
    this.references = [];
    this.body = null; // the BEGIN token, once read
    this.pending = []; // statements and operations begun, outermost first: what kel holds (held.js)
    this.last = null; // a constant operand just read, while kel reads past it or checks it
    this.prevTo = 0; // where the token before the current one ends
  }

  get sym() {
    return this.s.sym;
  }

  token() {
    return { from: this.s.from, to: this.s.to };
  }

  // kel's Read: the next token; a name or a keyword also goes into the identifier store.
  read() {
    const s = this.s;
    this.prevTo = s.to;
    s.read();
    if (s.error !== null) this.err('Scnr', s.error);
    if (s.sym === Sym.Id || isKeyword(s.sym)) {
      const n = s.to - s.from;
      if (this.nameFree + 1 + n > nameStoreSize) {
        s.cur = s.from + Math.max(nameStoreSize - this.nameFree - 1, 0); // the character that has no room
        this.err('Scnr', 'Buffer full');
      }
      if (n > maxNameLength) this.err('Scnr', 'Identifier too long');
    }
  }

  // A source error, with what kel left unfinished: the statement under way, read up to the token
  // before the current one, and the constants it still held back.
  err(who, msg) {
    const frame = this.pending.find((f) => f.kind === 'statement');
    const statement = frame && { from: frame.from, to: this.prevTo, write: frame.name === undefined, after: frame.after };
    const held = holding(this.pending).filter((h) => h.kind === 'constant');
    if (this.last) held.push({ kind: 'constant', from: this.last.from, to: this.last.to, value: this.last.v, type: this.last.t });
    throw new Stop({ kind: 'source', who, msg, at: this.s.from, read: this.s.readTo, statement, held });
  }

  // kel reads on past d, an operand just read (an item of parser.js), and a constant d is held
  // back meanwhile: a source error in the token after it names it (err).
  readPast(d) {
    this.last = d.c ? d : null;
    this.read();
    this.last = null;
  }

  // kel's check of d, an operand just read: where ok is false, kel stops with msg, a constant d
  // still held back.
  ensure(d, ok, msg) {
    if (ok) return;
    this.last = d.c ? d : null;
    this.err('Prsr', msg);
  }

  // The token kel has just read, and the character it looked at past it.
  looked() {
    const s = this.s;
    return { token: { kind: kindOf(s.sym), from: s.from, to: s.to }, ahead: { from: s.to, to: s.readTo } };
  }

  check(sym, msg) {
    if (this.sym !== sym) this.err('Prsr', msg);
    this.read();
  }

  // The entry of the current name among those counted, or -1.
  find() {
    return this.visible.get(this.s.text()) ?? -1;
  }

  // A use of entry i at the current token.
  refer(i) {
    this.references.push({ from: this.s.from, to: this.s.to, decl: i, after: this.commands.length });
  }

  // The entry for the name being declared, kept in the identifier store; counted by enter().
  newEntry(kind) {
    if (this.find() >= 0) this.err('Prsr', 'Identifier redeclared');
    if (this.objects.length >= objectCount) this.err('Prsr', 'Too many identifiers');
    this.nameFree += 1 + this.s.to - this.s.from;
    return { name: this.s.text(), kind, ...this.token() };
  }

  enter(entry) {
    entry.after = this.commands.length;
    this.visible.set(entry.name, this.objects.length);
    this.objects.push(entry);
  }

  // One command, as kel's emitters have it: the trace line (predicted here), the two writes to
  // the code store, then the machine runs it. type is the type of the value it pushes, stores or
  // writes. Where the code store or the stack has no room (machine.js), kel stops with the stack
  // as it was: the command's types are those before it.
  emit(name, operand, origin, type, more = {}) {
    const s = this.s;
    const cmd = {
      name, operand, pos: this.len, read: s.readTo, origin, ...this.looked(),
      type, types: [...this.stack], held: holding(this.pending), ...more,
    };
    this.commands.push(cmd);
    try {
      write(this, (commands[name] ?? commands.Opr).size);
      if (name === 'Val' || name === 'Lod') {
        push(this, type);
      } else if (name === 'Sto') {
        this.stack.pop();
      } else {
        const o = operation[name]; // never pushes more than it takes
        this.stack.length -= o.operands;
        if (o.result) this.stack.push(o.result);
      }
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      throw new Stop({ kind: 'comp', text: e.text, read: s.readTo });
    }
    cmd.types = [...this.stack];
  }

  // A statement or an operation begun at the current token (from..to may give a statement's
  // range), held until done(); ready once its operands are read. An operation has its left
  // operand (an item) or is unary; a statement has the name of the variable it assigns, none for
  // a WRITE. Every frame has the same fields: one is begun for every operator read. held is what
  // it holds while not ready and once ready (held.js), made when first asked for.
  begin(kind, { left = null, unary = false, name, from = this.s.from, to = this.s.to } = {}) {
    const frame = { kind, from, to, ready: false, after: this.commands.length, left, unary, name, held: [null, null] };
    this.pending.push(frame);
    return frame;
  }

  // frame's command, if any, is the next: kel holds it no longer. Frames are done in the reverse
  // order they were begun, as the grammar's procedures return.
  done(frame) {
    if (this.pending.pop() !== frame) throw new Error('the mirror ended a statement or an operation out of order');
  }
}
