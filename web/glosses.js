// The page's short explanations of what kel writes, for where it stands: the generation trace's
// header and prefix, a diagnostic's prefix and kel's (line,column), and a command's bytes in the
// code store, which are hexadecimal, and the bytes themselves as the code store shows them. They
// are help on hover and on focus (help.js).
import { commandHelp, diagnosticOf, traceHeader } from '../core/index.js';

export const traceHeaderHelp = `${traceHeader}: the first line of kel's generation trace, the list of the commands kel ` +
  'generates, one a line, each written just before it runs. Comp.DebugG: starts every line of it: Comp is the part ' +
  'of kel that keeps the code store and runs the machine, and DebugG names this listing. pos heads the column of ' +
  'positions: where each command starts in the code store, counted in bytes from 0.';

const finders = {
  Scnr: "kel's scanner, which reads the characters into tokens",
  Prsr: "kel's parser, which reads the program's structure and generates the commands",
  Comp: "kel's code store and machine, which keep and run the commands",
  'Fatal error': "kel's arithmetic, which stops a result it cannot give",
};

// What a diagnostic line of kel's says, or null for a line that is none.
export function diagnosticHelp(text) {
  const d = diagnosticOf(text);
  if (d.kind === 'source') {
    const who = text.slice(0, 4);
    return `${who} (${d.line},${d.col}): ${finders[who]} found this error at line ${d.line}, column ${d.col}; ` +
      'kel counts columns in bytes, from 1. The run ended there, with exit status 9.';
  }
  if (d.kind !== 'runtime') return null;
  const who = text.startsWith('Comp') ? 'Comp' : 'Fatal error';
  return `${who}: ${finders[who]}, found this error while the program ran. It names no line: the machine runs ` +
    'commands, not source text. The run ended there, with exit status 9.';
}

// Bytes as the code store shows them: each in two hexadecimal digits, a blank between.
export const hex = (bytes) => Array.from(bytes, (b) => b.toString(16).toUpperCase().padStart(2, '0')).join(' ');

// A byte of the code store: its value, which is written in hexadecimal, in decimal.
export const byteHelp = (b) => `${hex([b])} in hexadecimal is ${b} in decimal.`;

// A command of the code store, name as the trace gives it, with its bytes: what it does, and
// each byte's value in decimal.
export function storedHelp(name, bytes) {
  const decimal = Array.from(bytes, String).join(' ');
  return `${commandHelp(name) ?? `${name}.`} Here its bytes are ${hex(bytes)} in hexadecimal, ${decimal} in decimal.`;
}
