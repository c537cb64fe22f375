// The line that sums up a run for the reader: its exit status and kel's diagnostic, with where a
// failure at run time stood (the line and column of what failed, or the line kel had read), as
// the worker found it (d.mark).
export function statusLine(status, d) {
  if (!d) return `Exit status ${status}`;
  const m = d.kind === 'runtime' ? d.mark : null;
  const where = !m ? '' : m.col ? ` (at line ${m.line}, column ${m.col})` : ` (stopped at line ${m.line})`;
  return `Exit status ${status}: ${d.text}${where}`;
}
