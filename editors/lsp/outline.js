// The program's names and statements as the server needs them: each declaration with its name
// and expression, each use of a declared name, and each WRITE with the end of its expression; all
// as byte offsets. Read from kel's tokens as far as kel would read them (byte 26 and the final
// full stop end the text).
const keywords = new Set(['CONST', 'VAR', 'BEGIN', 'WRITE']);

function tokens(b) {
  const out = [];
  const alnum = (c) => (c >= 48 && c <= 57) || (c >= 65 && c <= 90) || (c >= 97 && c <= 122);
  let i = 0;
  while (i < b.length && b[i] !== 26) {
    const c = b[i];
    if (c <= 32 || c >= 127) {
      i++;
    } else if (c === 40 && b[i + 1] === 42) {
      let depth = 1;
      for (i += 2; depth > 0 && i < b.length && b[i] !== 26; ) {
        if (b[i] === 40 && b[i + 1] === 42) (depth++, (i += 2));
        else if (b[i] === 42 && b[i + 1] === 41) (depth--, (i += 2));
        else i++;
      }
    } else if (alnum(c)) {
      const from = i;
      while (i < b.length && alnum(b[i])) i++;
      const text = String.fromCharCode(...b.subarray(from, Math.min(i, from + 300)));
      const kind = c <= 57 ? 'number' : keywords.has(text) ? 'keyword' : 'ident';
      out.push({ kind, text, from, to: i });
    } else {
      const two = String.fromCharCode(c, b[i + 1] ?? 0);
      const n = [':=', '<=', '>=', '<>'].includes(two) ? 2 : 1;
      out.push({ kind: 'op', text: two.slice(0, n), from: i, to: i + n });
      i += n;
    }
  }
  return out;
}

export function outline(bytes) {
  const t = tokens(bytes);
  const decls = [];
  const refs = [];
  const writes = [];
  const statements = [];
  let k = 0;
  const is = (text) => t[k]?.text === text;
  const find = (name) => decls.findIndex((d) => d.name === name);
  const use = () => {
    const d = find(t[k].text);
    if (d >= 0) refs.push({ decl: d, from: t[k].from, to: t[k].to });
  };
  // Tokens of an expression, up to the ";" or "." after it.
  const expression = () => {
    const from = k;
    while (k < t.length && !is(';') && !is('.')) {
      if (t[k].kind === 'ident') use();
      k++;
    }
    return from < k ? { from: t[from].from, to: t[k - 1].to } : null;
  };
  for (const [part, kind] of [['CONST', 'constant'], ['VAR', 'variable']]) {
    if (!is(part)) continue;
    k++;
    while (t[k]?.kind === 'ident') {
      const name = t[k];
      if (find(name.text) >= 0) return { decls, refs, writes, statements };
      k++;
      let expr;
      if (kind === 'constant') {
        if (!is('=')) return { decls, refs, writes, statements };
        k++;
        expr = expression();
      } else {
        if (!is(':') || t[k + 1]?.kind !== 'ident') return { decls, refs, writes, statements };
        expr = { from: t[k + 1].from, to: t[k + 1].to };
        k += 2;
      }
      if (!is(';') || !expr) return { decls, refs, writes, statements };
      decls.push({ name: name.text, kind, from: name.from, to: name.to, expr, end: t[k].to });
      k++;
    }
  }
  if (!is('BEGIN')) return { decls, refs, writes, statements };
  k++;
  while (k < t.length) {
    const from = t[k].from;
    if (is('WRITE')) {
      const w = { from, to: t[k].to };
      k++;
      w.expr = expression();
      writes.push(w);
    } else if (t[k].kind === 'ident') {
      expression();
    }
    statements.push({ from, to: t[k - 1]?.to ?? from });
    if (!is(';')) break;
    k++;
  }
  return { decls, refs, writes, statements };
}
