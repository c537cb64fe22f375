// The mirror's parser: kel's grammar procedures over the mirror of its state (mirror.js), one
// token of look-ahead as kel has it, with kel's folding of constant operations (arith.js), its
// exchanged operations, its type checks and its messages, from a source's first byte to where
// kel would stop. An expression's procedures return an item: its type t; c, whether it is a
// constant, with its value v; its source from..to; and for a constant, how it was made (kind,
// folded), the named constants in it (names) and the divisions folded into it that rounded down
// (rounded: { first, count }, the first few as { x, y, q }, x / y gave q, and how many in all).
import { binary, Failure, neg, not } from './arith.js';
import { maxInteger, maxNesting, turnedRound } from './facts.js';
import { holding } from './held.js';
import { Mirror, Stop } from './mirror.js';
import { Sym } from './tokens.js';

const INT = 'INTEGER';
const BOOL = 'BOOLEAN';

// The operation for each operator token: the one for a left operand that lies below its right
// one on the stack, and the one for a left operand that lies on top, a constant held back: the
// same one turned round (facts.js). The first is also the one that folds it (arith.js), so that a
// folded result is the machine's. The exercises (exercises.js) take their operations from it too.
export const oprs = Object.fromEntries(Object.entries({
  [Sym.Mul]: 'Mul', [Sym.Div]: 'Div', [Sym.And]: 'And', [Sym.Plus]: 'Add', [Sym.Minus]: 'Sub', [Sym.Or]: 'Or',
  [Sym.Eql]: 'Eql', [Sym.Neq]: 'Neq', [Sym.Lss]: 'Lss', [Sym.Leq]: 'Leq', [Sym.Gtr]: 'Gtr', [Sym.Geq]: 'Geq',
}).map(([sym, name]) => [sym, [name, turnedRound[name] ?? name]]));

// The named constants of an expression, each once, in the order they first stand in it.
export function once(names) {
  const seen = new Set();
  return names.filter((n) => !seen.has(n.decl) && seen.add(n.decl));
}

// The rounded of a fold, from its operands' (a, b) and its own division's (own, or null): only
// a few are kept, and an operand's are shared, so that a chain of any length folds in linear time.
const roundingsKept = 3; // as many as the words name (words.js)
function roundings(a, b, own) {
  if (!own && !(a && b)) return a ?? b;
  const first = [...(a?.first ?? []), ...(b?.first ?? []), ...(own ? [own] : [])].slice(0, roundingsKept);
  return { first, count: (a?.count ?? 0) + (b?.count ?? 0) + (own ? 1 : 0) };
}

// kel's parser over input, each procedure with its production above it; run() reads the program
// to where kel ends.
export class Parser extends Mirror {
  // A constant item goes onto the stack: its value, whence it came, and whether it was held back
  // until the other operand was on the stack.
  val(d, heldBack) {
    const kind = d.folded ? 'folded' : d.kind;
    this.emit('Val', d.v, { from: d.from, to: d.to }, d.t, { kind, constants: once(d.names), heldBack, rounded: d.rounded ?? null });
  }

  // The folded value of a constant operation over from..to, or kel's end when it fails: with the
  // operands' values and the operator's text.
  folded(f, from, to, names, operands, operator) {
    try {
      return f();
    } catch (e) {
      if (!(e instanceof Failure)) throw e;
      const held = holding(this.pending.filter((f) => !f.ready)); // without the operation that failed
      throw new Stop({ kind: 'fold', text: e.text, read: this.s.readTo, origin: { from, to }, names, operands, operator, held, ...this.looked() });
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
      const own = op === Sym.Div && d.v % d1.v !== 0 ? { x: d.v, y: d1.v, q: v } : null;
      const rounded = roundings(d.rounded, d1.rounded, own);
      return { t, c: true, v, from, to, folded: true, names, rounded };
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
      this.readPast(d);
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
    this.readPast(d);
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
      this.ensure(d, this.sym === Sym.RPar, 'Expected operator or ")"');
      this.readPast(d);
      d = { ...d, from, to };
    } else {
      const op = this.token();
      const frame = this.begin('operation', { unary: true });
      this.read();
      d = this.factor();
      this.ensure(d, d.t === BOOL, 'Expected boolean factor');
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
    this.ensure(d, (op === boolOp) === (d.t === BOOL), 'Wrong operator type');
    const frame = this.begin('operation', { left: d });
    this.read();
    const d1 = right.call(this);
    this.ensure(d1, d1.t === d.t, 'Wrong operand type');
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
      this.ensure(d, d.t === INT, 'Expected integer term');
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
    this.ensure(d1, d1.t === d.t, 'Wrong operand type');
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
      this.ensure(d, d.t === v.type, 'Incompatible types');
      if (d.c) this.val(d, false);
      this.done(frame);
      this.emit('Sto', v.slot, { from, to }, v.type);
    } else if (this.sym === Sym.Wrt) {
      const w = this.token();
      const frame = this.begin('statement', {});
      this.read();
      const d = this.expression();
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
