// What the protocol's diagnostics of a document say: kel's one diagnostic where it is, or why the
// text is not checked.
import { DiagnosticSeverity } from 'vscode-languageserver/node';

export const maxBytes = 4 * 1024 * 1024; // the largest text checked, in UTF-8

const atStart = { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } };

// Why a check gives no diagnostic of kel's, or null when it is kel's own.
export function notChecked(r) {
  if (r.tooLarge) {
    const mib = maxBytes / (1 << 20);
    return `Too large to check: ${r.tooLarge} bytes in UTF-8, over the ${mib} MiB the server checks.`;
  }
  if (r.notUtf8) {
    return 'Not checked: the text came with bytes that are not UTF-8, shown as U+FFFD; it is checked after the next change.';
  }
  if (r.lost) {
    return `Not checked: ${r.lost}, and the server does not know this text until it gets all of it (close it and open it again).`;
  }
  if (r.noKel) return `Not checked: ${r.noKel}.`;
  if (r.error) return `Not checked: ${r.error}.`;
  return null;
}

// The diagnostics of a text of a document ({ text, result }, documents.js) once it is checked.
export function diagnostics({ text, result: r }) {
  const say = (message, severity = DiagnosticSeverity.Warning, range = atStart) => [
    { range, severity, source: 'kel', message },
  ];
  const why = notChecked(r);
  if (why) return say(why);
  const d = r.diagnostic;
  if (!d) return [];
  return say(d.text, DiagnosticSeverity.Error, text.range(d.from, d.to));
}
