// The lines kel wrote, from one run (core/kel.js), read once: what the output panes, the step view
// and the language server read kel's output, its trace and its diagnostic from.
import { diagnosticOf } from './diagnostic.js';
import { traceCommand, traceHeader } from './facts.js';

// The lines in the order their ends were written: each line's channel (1 or 2), its text up to
// its CR LF, and how far kel had read (input bytes) when it wrote that end. A last line without a
// line end comes after the others, with how far kel had read at its channel's last write.
function writtenLines(chunks) {
  const lines = [];
  const open = { 1: '', 2: '' };
  const decoders = { 1: new TextDecoder(), 2: new TextDecoder() };
  const last = { 1: 0, 2: 0 };
  for (const c of chunks) {
    const parts = (open[c.fd] + decoders[c.fd].decode(c.bytes, { stream: true })).split('\r\n');
    open[c.fd] = parts.pop();
    for (const text of parts) lines.push({ fd: c.fd, text, read: c.read });
    last[c.fd] = c.read;
  }
  for (const fd of [1, 2]) {
    const rest = open[fd] + decoders[fd].decode();
    if (rest) lines.push({ fd, text: rest, read: last[fd] });
  }
  return lines;
}

// What kel wrote: lines (writtenLines); trace, the commands of its generation trace, each
// { pos, name, operand } (traceCommand) with its text, read and row; and diagnostic, the first
// other line of the error output than the trace's header, as diagnosticOf reads it, with read and
// row, or null. row is the line's index among the lines of the error output.
export function traceOf(chunks) {
  const lines = writtenLines(chunks);
  const trace = [];
  let diagnostic = null;
  let row = 0;
  for (const { fd, text, read } of lines) {
    if (fd !== 2) continue;
    const t = traceCommand(text);
    if (t) trace.push({ ...t, text, read, row });
    else if (text !== traceHeader && diagnostic === null) diagnostic = { ...diagnosticOf(text), read, row };
    row++;
  }
  return { lines, trace, diagnostic };
}
