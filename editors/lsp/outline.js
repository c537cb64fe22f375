// The program's names and statements as the server needs them: each declaration with its name
// and expression, each use of a declared name, and each WRITE with the end of its expression; all
// as byte offsets. Read with kel's tokens (web/tokens.js), as far as kel would read them.
import { Scanner, Sym } from './shared.js';

export function outline(bytes) {
  const s = new Scanner((i) => bytes[i], bytes.length);
  const decls = [];
  const refs = [];
  const writes = [];
  const statements = [];
  const done = { decls, refs, writes, statements };
  let t;
  const next = () => (t = s.error ? Sym.EOF : s.read());
  const find = (name) => decls.findIndex((d) => d.name === name);
  // The tokens of an expression, up to the ";" or "." after it.
  const expression = () => {
    let span = null;
    while (t !== Sym.Semi && t !== Sym.Dot && t !== Sym.EOF && t !== Sym.Comment && !s.error) {
      const d = t === Sym.Id ? find(s.text()) : -1;
      if (d >= 0) refs.push({ decl: d, from: s.from, to: s.to });
      span = { from: span?.from ?? s.from, to: s.to };
      next();
    }
    return span;
  };
  next();
  for (const [part, kind] of [[Sym.Const, 'constant'], [Sym.Var, 'variable']]) {
    if (t !== part) continue;
    next();
    while (t === Sym.Id) {
      const name = { text: s.text(), from: s.from, to: s.to };
      if (find(name.text) >= 0) return done;
      let expr = null;
      if (kind === 'constant') {
        if (next() !== Sym.Eql) return done;
        next();
        expr = expression();
      } else {
        if (next() !== Sym.Col || next() !== Sym.Id) return done;
        expr = { from: s.from, to: s.to };
        next();
      }
      if (t !== Sym.Semi || !expr) return done;
      decls.push({ name: name.text, kind, from: name.from, to: name.to, expr, end: s.to });
      next();
    }
  }
  if (t !== Sym.Beg) return done;
  next();
  for (;;) {
    const from = s.from;
    if (t === Sym.Wrt) {
      const w = { from, to: s.to };
      next();
      w.expr = expression();
      writes.push(w);
      statements.push({ from, to: w.expr?.to ?? w.to });
    } else if (t === Sym.Id) {
      const e = expression();
      statements.push({ from, to: e.to });
    }
    if (t !== Sym.Semi) return done;
    next();
  }
}
