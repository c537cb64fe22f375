// kel's diagnostic line, read: which kind of error ended the run and, for a source error, where.

// A source error with kel's line and column (from 1, in bytes), an error of the code store or
// machine or a fatal run-time error, or anything else kel says.
export function diagnosticOf(text) {
  const m = /^(?:Scnr|Prsr) \((\d+),(\d+)\): /.exec(text);
  if (m) return { text, kind: 'source', line: Number(m[1]), col: Number(m[2]) };
  const kind = /^(Comp|Fatal error): /.test(text) ? 'runtime' : 'other';
  return { text, kind, line: null, col: null };
}
