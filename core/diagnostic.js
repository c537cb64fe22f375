// kel's diagnostic line, read: which kind of error ended the run, for a source error where, and
// the bytes of the source it is about.
import { charEnd, linesAndColumns, positionOffset } from './positions.js';

// A source error with the component that found it (who: Scnr or Prsr), kel's line and column
// (from 1, in bytes) and its message (without the final full stop); an error of the code store
// or machine or a fatal run-time error; or anything else kel says.
export function diagnosticOf(text) {
  const m = /^(Scnr|Prsr) \((\d+),(\d+)\): /.exec(text);
  if (m) {
    const message = text.slice(m[0].length).replace(/\.$/, '');
    return { text, kind: 'source', who: m[1], line: Number(m[2]), col: Number(m[3]), message };
  }
  const kind = /^(Comp|Fatal error): /.test(text) ? 'runtime' : 'other';
  return { text, kind, who: null, line: null, col: null, message: null };
}

// The bytes of input that kel's diagnostic d (core/lines.js's traceOf) is about, { from, to, line,
// col } with kel's line and column of from (col null for a whole line), or null for none. A source
// error is about the character at kel's line and column (none at the end of the text); an error
// at run time, the origin of the command or the fold that failed, where the run's origins o
// (core/origins.js) agree with kel to its end; anything else, the line that holds the last byte
// kel had read, without its line feed (none before kel read a byte).
export function diagnosticRange(input, d, o) {
  if (d.kind === 'source') {
    const from = positionOffset(input, d.line, d.col);
    return { from, to: input[from] === 10 ? from : charEnd(input, from), line: d.line, col: d.col };
  }
  const failed = d.kind === 'runtime' && o.complete ? o.failedFold ?? o.commands.at(-1) : null;
  if (failed) {
    const { from, to, line, col } = failed.origin;
    return { from, to, line, col };
  }
  if (d.read === 0) return null;
  const last = Math.min(d.read, input.length) - 1;
  const from = last > 0 ? input.lastIndexOf(10, last - 1) + 1 : 0;
  const lf = input.indexOf(10, last);
  return { from, to: lf < 0 ? input.length : lf, line: linesAndColumns(input, [from])[0].line, col: null };
}
