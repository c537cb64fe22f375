// kel's diagnostic line, read: which kind of error ended the run and, for a source error, where.

// A source error with kel's line and column (from 1, in bytes), an error of the code store or
// machine or a fatal run-time error, or anything else kel says.
export function diagnosticOf(text) {
  const m = /^(?:Scnr|Prsr) \((\d+),(\d+)\): /.exec(text);
  if (m) return { text, kind: 'source', line: Number(m[1]), col: Number(m[2]) };
  const kind = /^(Comp|Fatal error): /.test(text) ? 'runtime' : 'other';
  return { text, kind, line: null, col: null };
}

// The line that sums up a run for the reader: its exit status and kel's diagnostic, with where a
// failure at run time stood (d.origin, or d.line: the line kel had read), as the worker found it.
export function statusLine(status, d) {
  if (!d) return `Exit status ${status}`;
  const where = d.kind !== 'runtime' ? '' : d.origin ? ` (at line ${d.origin.line}, column ${d.origin.col})` : d.line ? ` (stopped at line ${d.line})` : '';
  return `Exit status ${status}: ${d.text}${where}`;
}
