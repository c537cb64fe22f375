// Where each command kel generates comes from, and what the program's names are. A mirror of
// kel's scanner (tokens.js) and parser over the source's bytes, with kel's one token of
// look-ahead, its folding (arith.js), its exchanged operations, limits and messages, predicts
// every command with its origin: the source text that made kel generate it. Every prediction is
// checked against kel's own run of the same text (core/kel.js): the command's name, operand and
// place in the code store, and how far kel had read when it wrote its trace line; then the way
// kel ended. Only what agreed is given: from the first disagreement on, nothing. kel.wasm is the
// authority; this module never shows a guess that nothing checked. No DOM: the worker and node
// use it alike.
import { binary, Failure, neg, not } from './arith.js';
import {
  codeSize, commands, keywords, maxInteger, maxNameLength, maxNesting, nameStoreSize, objectCount, operation,
  predeclared, predeclaredNames, stackSize,
} from './facts.js';
import { holding } from './held.js';
import { linesAndColumns } from './positions.js';
import { isKeyword, Scanner, Sym } from './tokens.js';

const INT = 'INTEGER';
const BOOL = 'BOOLEAN';

// The operation for each operator token: when its left operand lies below its right one on the
// stack, and when the left one, a constant pushed late, lies on top. The first is also the one
// that folds it (arith.js), so that a folded result is the machine's.
const oprs = {
  [Sym.Mul]: ['Mul', 'Mul'], [Sym.Div]: ['Div', 'Vid'], [Sym.And]: ['And', 'And'],
  [Sym.Plus]: ['Add', 'Add'], [Sym.Minus]: ['Sub', 'Bus'], [Sym.Or]: ['Or', 'Or'],
  [Sym.Eql]: ['Eql', 'Eql'], [Sym.Neq]: ['Neq', 'Neq'], [Sym.Lss]: ['Lss', 'Gtr'],
  [Sym.Leq]: ['Leq', 'Geq'], [Sym.Gtr]: ['Gtr', 'Lss'], [Sym.Geq]: ['Geq', 'Leq'],
};

// The kind of token kel had just read, in words.
function kindOf(sym) {
  if (sym === Sym.Num) return 'number';
  if (sym === Sym.Id) return 'name';
  if (isKeyword(sym)) return 'keyword';
  return sym === Sym.EOF ? 'end' : 'symbol';
}

// Where kel stops: a source error (who, msg, at), a failed fold or an error of the code store or
// machine (text), with how far kel had read.
class Stop {
  constructor(fields) {
    Object.assign(this, fields);
  }
}

// The named constants of an expression, each once, in the order they first stand in it.
function once(names) {
  const seen = new Set();
  return names.filter((n) => !seen.has(n.decl) && seen.add(n.decl));
}

// The identifier store holds the keywords and the predeclared names before any of the program's.
const namesBefore = [...keywords, ...predeclared].reduce((n, w) => n + 1 + w.length, 0);

// kel's scanner and parser over input, from its first byte to where kel would stop. Each
// prediction and each name records after: how many commands had been predicted before it.
class Mirror {
  constructor(input) {
    this.s = new Scanner((i) => input[i], input.length);
    this.nameFree = namesBefore; // where the identifier store writes the next name
    this.objects = predeclaredNames.map((p) => ({ ...p, predeclared: true, after: 0 }));
    this.visible = new Map(predeclared.map((name, i) => [name, i])); // the entries counted so far
    this.slots = 0;
    this.len = 0; // the code store's length
    this.stack = []; // the types of the values on the machine's stack
    this.nesting = 0;
    this.commands = [];
    this.references = [];
    this.body = null; // the BEGIN token, once read
    this.pending = []; // statements and operations begun, outermost first: what kel holds (held.js)
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

  err(who, msg) {
    throw new Stop({ kind: 'source', who, msg, at: this.s.from, read: this.s.readTo });
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
  // writes.
  emit(name, operand, origin, type, more = {}) {
    const s = this.s;
    const cmd = {
      name, operand, pos: this.len, read: s.readTo, origin,
      token: { kind: kindOf(s.sym), from: s.from, to: s.to }, ahead: { from: s.to, to: s.readTo },
      type, types: [...this.stack], held: holding(this.pending), ...more,
    };
    this.commands.push(cmd);
    for (const part of [1, (commands[name] ?? commands.Opr).size - 1]) {
      if (this.len + part > codeSize) this.fail('Comp: Program too large.');
      this.len += part;
    }
    if (name === 'Val' || name === 'Lod') {
      if (this.stack.length >= stackSize) this.fail('Comp: Stack overflow.');
      this.stack.push(type);
    } else if (name === 'Sto') {
      this.stack.pop();
    } else {
      const o = operation[name];
      this.stack.length -= o.operands;
      if (o.result) this.stack.push(o.result);
    }
    cmd.types = [...this.stack];
  }

  // A statement or an operation begun at the current token, held until done() ends it.
  begin(kind, fields) {
    const frame = { kind, ...this.token(), ready: false, done: false, ...fields };
    this.pending.push(frame);
    return frame;
  }

  // The frame begun last is over; its command, if any, is being generated.
  done(frame) {
    frame.done = true;
    this.pending.splice(this.pending.lastIndexOf(frame), 1);
  }

  fail(text) {
    throw new Stop({ kind: 'comp', text, read: this.s.readTo });
  }

  // A constant item goes onto the stack: its value, whence it came, and whether it was held back
  // until the other operand was on the stack.
  val(d, heldBack) {
    const kind = d.folded ? 'folded' : d.kind;
    this.emit('Val', d.v, { from: d.from, to: d.to }, d.t, { kind, constants: once(d.names), heldBack });
  }

  // The folded value of a constant operation over from..to, or kel's end when it fails: with the
  // operands' values and the operator's text.
  folded(f, from, to, names, operands, operator) {
    try {
      return f();
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      const held = holding(this.pending.filter((f) => !f.ready));
      throw new Stop({ kind: 'fold', text: e.text, read: this.s.readTo, origin: { from, to }, names, operands, operator, held });
    }
  }

  // d op d1, an item for the result, the operation begun as frame. A constant meets a
  // non-constant only here, and only then is it pushed: after the other operand when it is the
  // left one, with the exchanged operation.
  combine(d, d1, op, opr, frame) {
    frame.ready = true;
    const t = op >= Sym.Eql && op <= Sym.Geq ? BOOL : d.t;
    const from = d.from;
    const to = d1.to;
    if (d.c && d1.c) {
      const names = once([...d.names, ...d1.names]); // a chain of any length names at most objectCount
      const v = this.folded(() => binary[oprs[op][0]](d.v, d1.v), from, to, names, [d.v, d1.v], this.s.text(opr.from, opr.to));
      this.done(frame);
      return { t, c: true, v, from, to, folded: true, names };
    }
    if (d.c) {
      this.val(d, true);
      this.done(frame);
      this.emit(oprs[op][1], undefined, opr, t, { exchanged: true });
    } else {
      if (d1.c) this.val(d1, false);
      this.done(frame);
      this.emit(oprs[op][0], undefined, opr, t, { exchanged: false });
    }
    return { t, c: false, from, to };
  }

  // Factor = number | ident | "(" Expression ")" | "~" Factor .
  factor() {
    const s = this.s;
    if (this.sym === Sym.Num) {
      if (s.num > maxInteger) this.err('Prsr', 'Number too large');
      const d = { t: INT, c: true, v: s.num, ...this.token(), kind: 'literal', folded: false, names: [] };
      this.read();
      return d;
    }
    if (this.sym === Sym.Id) return this.named();
    if (this.sym === Sym.LPar || this.sym === Sym.Not) return this.nested();
    this.err('Prsr', 'Expected factor');
  }

  // A factor that names a constant or a variable.
  named() {
    const i = this.find();
    if (i < 0) this.err('Prsr', 'Identifier undeclared');
    const o = this.objects[i];
    if (o.kind === 'type') this.err('Prsr', 'Expected constant or variable');
    this.refer(i);
    let d;
    if (o.kind === 'constant') {
      const names = [{ name: o.name, value: o.value, type: o.type, decl: i }];
      d = { t: o.type, c: true, v: o.value, ...this.token(), kind: 'constant', folded: false, names };
    } else {
      d = { t: o.type, c: false, ...this.token() };
      this.emit('Lod', o.slot, this.token(), o.type);
    }
    this.read();
    return d;
  }

  // "(" Expression ")" or "~" Factor, nested no deeper than kel allows.
  nested() {
    if (this.nesting === maxNesting) this.err('Prsr', 'Nesting too deep');
    this.nesting++;
    const from = this.s.from;
    let d;
    if (this.sym === Sym.LPar) {
      this.read();
      d = this.expression();
      const to = this.s.to;
      this.check(Sym.RPar, 'Expected operator or ")"');
      d = { ...d, from, to };
    } else {
      const op = this.token();
      const frame = this.begin('operation', { unary: true });
      this.read();
      d = this.factor();
      frame.ready = true;
      if (d.t !== BOOL) this.err('Prsr', 'Expected boolean factor');
      this.done(frame);
      if (d.c) d = { ...d, v: not(d.v), folded: true };
      else this.emit('Not', undefined, op, BOOL, { exchanged: false });
      d.from = from;
    }
    this.nesting--;
    return d;
  }

  // d and the current operator with its right operand, read by right: the operator must take
  // d's type (boolOp is the one of its level that takes Booleans), the right operand must have it.
  binary(d, boolOp, right) {
    const op = this.sym;
    const opr = this.token();
    if ((op === boolOp) !== (d.t === BOOL)) this.err('Prsr', 'Wrong operator type');
    const frame = this.begin('operation', { left: d });
    this.read();
    const d1 = right.call(this);
    if (d1.t !== d.t) this.err('Prsr', 'Wrong operand type');
    return this.combine(d, d1, op, opr, frame);
  }

  // Term = Factor { MulOperator Factor } .
  term() {
    let d = this.factor();
    while (this.sym >= Sym.Mul && this.sym <= Sym.And) d = this.binary(d, Sym.And, this.factor);
    return d;
  }

  // SimpleExpr = [ "+" | "-" ] Term { AddOperator Term } .
  simpleExpr() {
    let d;
    if (this.sym === Sym.Plus || this.sym === Sym.Minus) {
      const sign = this.sym;
      const opr = this.token();
      const frame = sign === Sym.Minus ? this.begin('operation', { unary: true }) : null;
      this.read();
      d = this.term();
      if (frame) frame.ready = true;
      if (d.t !== INT) this.err('Prsr', 'Expected integer term');
      if (frame) this.done(frame);
      if (sign === Sym.Minus && d.c) {
        const v = this.folded(() => neg(d.v), opr.from, d.to, d.names, [d.v], '-');
        d = { ...d, v, folded: true };
      } else if (sign === Sym.Minus) {
        this.emit('Neg', undefined, opr, INT, { exchanged: false });
      }
      d = { ...d, from: opr.from };
    } else {
      d = this.term();
    }
    while (this.sym >= Sym.Plus && this.sym <= Sym.Or) d = this.binary(d, Sym.Or, this.term);
    return d;
  }

  // Expression = SimpleExpr [ Relation SimpleExpr ] .
  expression() {
    const d = this.simpleExpr();
    if (this.sym < Sym.Eql || this.sym > Sym.Geq) return d;
    const op = this.sym;
    const opr = this.token();
    const frame = this.begin('operation', { left: d });
    this.read();
    const d1 = this.simpleExpr();
    if (d1.t !== d.t) this.err('Prsr', 'Wrong operand type');
    return this.combine(d, d1, op, opr, frame);
  }

  // ConstDeclaration = ident "=" Expression ";" .
  constDeclaration() {
    const e = this.newEntry('constant');
    this.read();
    this.check(Sym.Eql, 'Expected "="');
    const d = this.expression();
    if (!d.c) this.err('Prsr', 'Expected constant');
    Object.assign(e, { type: d.t, value: d.v, expr: { from: d.from, to: d.to }, folded: d.folded });
    this.enter(e);
    this.check(Sym.Semi, 'Expected ";"');
  }

  // VarDeclaration = ident ":" ident ";" .
  varDeclaration() {
    const e = this.newEntry('variable');
    this.read();
    this.check(Sym.Col, 'Expected ":"');
    if (this.sym !== Sym.Id) this.err('Prsr', 'Expected identifier');
    const j = this.find();
    if (j < 0) this.err('Prsr', 'Identifier undeclared');
    if (this.objects[j].kind !== 'type') this.err('Prsr', 'Not a type');
    this.refer(j);
    Object.assign(e, { type: this.objects[j].type, slot: this.slots++ });
    this.enter(e);
    this.read();
    this.check(Sym.Semi, 'Expected ";"');
  }

  // Statement = [ ident ":=" Expression | "WRITE" Expression ] .
  statement() {
    if (this.sym === Sym.Id) {
      const i = this.find();
      if (i < 0) this.err('Prsr', 'Identifier undeclared');
      const v = this.objects[i];
      if (v.kind !== 'variable') this.err('Prsr', 'Not a variable');
      this.refer(i);
      const from = this.s.from;
      this.read();
      const to = this.s.to;
      this.check(Sym.Bec, 'Expected ":="');
      const frame = this.begin('statement', { from, to, name: v.name });
      const d = this.expression();
      frame.ready = true;
      if (d.t !== v.type) this.err('Prsr', 'Incompatible types');
      if (d.c) this.val(d, false);
      this.done(frame);
      this.emit('Sto', v.slot, { from, to }, v.type);
    } else if (this.sym === Sym.Wrt) {
      const w = this.token();
      const frame = this.begin('statement', {});
      this.read();
      const d = this.expression();
      frame.ready = true;
      if (d.c) this.val(d, false);
      this.done(frame);
      this.emit(d.t === INT ? 'Wrt' : 'WrB', undefined, w, d.t, { exchanged: false, expressionEnd: d.to });
    }
  }

  // [ "CONST" { ConstDeclaration } ] [ "VAR" { VarDeclaration } ], from the first token.
  declarations() {
    this.read();
    if (this.sym === Sym.Const) {
      this.read();
      while (this.sym === Sym.Id) this.constDeclaration();
    }
    if (this.sym === Sym.Var) {
      this.read();
      while (this.sym === Sym.Id) this.varDeclaration();
    }
  }

  // Program = [ "CONST" ... ] [ "VAR" ... ] "BEGIN" Statement { ";" Statement } "." .
  // Returns how kel ends: at the final full stop, or where it stops.
  run() {
    try {
      this.declarations();
      if (this.sym === Sym.Beg) this.body = this.token();
      this.check(Sym.Beg, 'Expected "BEGIN"');
      this.statement();
      while (this.sym === Sym.Semi) {
        this.read();
        this.statement();
      }
      if (this.sym !== Sym.Dot) this.err('Prsr', 'Expected ";" or "."'); // nothing after "." is read
      return { kind: 'end', read: this.s.readTo };
    } catch (e) {
      if (!(e instanceof Stop)) throw e;
      return e;
    }
  }
}

const same = (p, t) => p.name === t.name && p.operand === t.operand && p.pos === t.pos && p.read === t.read;

// The origins of a run of kel (core/kel.js's result) on input, checked against it and against
// what it wrote (written: core/lines.js's traceOf of its chunks). Ranges are byte offsets
// from..to, with line and col, kel's line and column of from (from 1, in bytes).
// - commands: one per command of kel's trace, in its order, while prediction and trace agree,
//   none from the first disagreement on: { name, operand, pos, read, origin, token, ahead, type,
//   types, held }, where origin is the source that made kel generate it, token the token kel
//   had just read (kind 'number', 'name', 'keyword', 'symbol' or 'end'), ahead the character it
//   had looked at past it (empty at the end), type the type of the value pushed, stored or
//   written, types the types on the stack after it ran, and held what kel held after it, read
//   but not yet a command (held.js). A Val also has kind ('literal', 'constant' or 'folded'),
//   constants (the named constants in its origin, each once: { name, value, type, decl }) and
//   heldBack (a left operand pushed after the right one); an operation has exchanged (taken for
//   a held-back left operand: Bus, Vid, Gtr for "<", ...); a Wrt or WrB also has expressionEnd,
//   where the expression it writes ends.
// - failedFold: { text, read, origin, constants, operands, operator, held } of the fold that
//   ended kel, no command generated for it, or null; operands are the values it folded, operator
//   the text of its operator, held what kel held besides.
// - declarations: kel's object table, by index: the predeclared names ({ name, kind, type,
//   value, predeclared }), then the program's as kel counted them: a constant { name, kind,
//   range, type, value, expr, folded }, a variable { name, kind, range, type, slot }.
//   references: each use of a name that kel accepted, { range, decl }. Both end where the
//   commands do; after is how many commands came before each.
// - body: the range of BEGIN, or null; complete: whether kel's run agreed to its end;
//   disagreement: null, or { at (the command's index), predicted, actual (kel's line) }.
export function origins(input, result, written) {
  const m = new Mirror(input);
  const end = m.run();
  const { trace, diagnostic: d } = written;
  const p = m.commands;
  let agreed = 0;
  while (agreed < trace.length && agreed < p.length && same(p[agreed], trace[agreed])) agreed++;
  const position = (at) => linesAndColumns(input, [at])[0];
  if (end.kind === 'source') {
    const { line, col } = position(end.at);
    end.text = `${end.who} (${line},${col}): ${end.msg}.`;
  }
  let complete = false;
  let kelEnds = false; // kel ended where the mirror did, not at a failure of its machine
  if (agreed === trace.length) {
    if (agreed === p.length && d === null) {
      complete = kelEnds = end.kind === 'end' && result.status === 0 && result.read === end.read;
    } else if (agreed === p.length && d?.text === end.text && d.read === end.read) {
      complete = kelEnds = true;
    } else if (agreed > 0 && d?.kind === 'runtime' && d.read === trace[agreed - 1].read) {
      complete = true; // the machine failed at the last command, on values the mirror does not know
    }
  }
  const kept = (x) => x.predeclared || kelEnds || x.after < agreed;
  const out = {
    commands: p.slice(0, agreed),
    failedFold: kelEnds && end.kind === 'fold'
      ? { text: end.text, read: end.read, origin: end.origin, constants: once(end.names), operands: end.operands, operator: end.operator, held: end.held }
      : null,
    declarations: m.objects.filter(kept),
    references: m.references.filter(kept),
    body: kelEnds || agreed > 0 ? m.body : null,
    complete,
    disagreement: complete ? null : {
      at: agreed,
      predicted: agreed < p.length ? p[agreed] : end,
      actual: agreed < trace.length ? trace[agreed].text : d?.text ?? null,
    },
  };
  addPositions(input, out);
  return out;
}

// kel's line and column at the start of every range given.
function addPositions(input, out) {
  const ranges = [];
  for (const c of out.commands) ranges.push(c.origin);
  if (out.failedFold) ranges.push(out.failedFold.origin);
  for (const o of out.declarations) {
    if (o.predeclared) continue;
    ranges.push(o);
    if (o.expr) ranges.push(o.expr);
  }
  for (const r of out.references) ranges.push(r); // one by one: they may be more than a call takes arguments
  const at = linesAndColumns(input, ranges.map((r) => r.from));
  ranges.forEach((r, k) => Object.assign(r, at[k]));
}
