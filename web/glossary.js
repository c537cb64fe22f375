// The terms the tour and the step view's words use, each defined once: the glossary of
// learn.html (#glossary, an entry glossary-ID for each) and the definitions shown where a term is
// linked in the step view's words (terms.js). forms finds a term's uses in words; the entries
// with longer phrases come first, so that "code store" is one term and Comp.DebugG is not Comp.
import { codeSize, commands, stackSize } from '../core/index.js';

export const glossary = [
  {
    id: 'trace', term: 'trace', forms: /\b(?:generation )?trace\b|Comp\.DebugG/,
    definition: 'kel\'s list of the commands it generates, on the error output, each just before it runs. Every line begins with Comp.DebugG:, and the header\'s pos stands over each command\'s position in the code store.',
  },
  {
    id: 'code-store', term: 'code store', forms: /\bcode store\b/i,
    definition: `Where kel appends each command it generates, as bytes, for the whole program: ${commands.Val.size} bytes for Val, Lod and Sto, ${commands.Opr.size} for an operation. Nothing in it is ever removed.`,
  },
  {
    id: 'held-back', term: 'held back', forms: /\bheld back\b/i,
    definition: 'A constant that is the left operand of an operation waits, not yet pushed, until kel meets an operand computed at run time; then kel pushes it after that operand, so it lies on top.',
  },
  {
    id: 'turned-round', term: 'turned round', forms: /\bturn(?:ed|s)? (?:the operation )?round\b|\bthe other way round\b/i,
    definition: 'The operation kel takes when the left operand, held back, lies on top: Bus (the top minus the value below) for -, Vid for /, Gtr for <, Lss for >, Geq for <= and Leq for >=.',
  },
  {
    id: 'look-ahead', term: 'look-ahead', forms: /\blook-ahead\b|\blooked at\b/i,
    definition: 'The one token kel has just read, from which its parser decides what to do next; kel never goes back. To know where a name or a number ends, the scanner also looks at the one character after it, which is not yet a token.',
  },
  {
    id: 'line-and-column', term: 'line and column', forms: /\bline and column\b|\bcolumns?\b/i,
    definition: 'Where in the source kel stopped, both counted from 1. Only a line feed starts a line, and every byte is one column: a tab is one column, a character beyond ASCII several.',
  },
  {
    id: 'exit-status', term: 'exit status', forms: /\bexit status\b/i,
    definition: 'The number kel ends with: 0 when it read the program to its final full stop and everything ran, 9 after an error.',
  },
  {
    id: 'fatal-error', term: 'Fatal error', forms: /\bFatal error\b/,
    definition: 'The prefix of an error that kel\'s arithmetic or its system met: an integer overflow, a divisor that is negative, or 0 while folding, a source that cannot be read or an output that cannot be written. No line and column.',
  },
  {
    id: 'scnr', term: 'Scnr', forms: /\bScnr\b/,
    definition: 'The prefix of an error the scanner found, with its line and column: Scnr (3,1): Invalid character.',
  },
  {
    id: 'prsr', term: 'Prsr', forms: /\bPrsr\b/,
    definition: 'The prefix of an error the parser found, with its line and column: Prsr (1,15): Expected ";" or ".".',
  },
  {
    id: 'comp', term: 'Comp', forms: /\bComp\b(?!\.)/,
    definition: 'The prefix of an error of the code store or the machine, with no line and column, since the machine runs commands, not source text: Comp: Division by zero.',
  },
  {
    id: 'token', term: 'token', forms: /\btokens?\b/i,
    definition: 'What kel\'s scanner makes of the characters: a number, a name, a keyword (CONST, VAR, BEGIN, WRITE) or a symbol such as := or ;. Blanks, line ends and comments only separate tokens.',
  },
  {
    id: 'scanner', term: 'scanner', forms: /\bscanner\b/i,
    definition: 'The part of kel that reads the program\'s characters and makes tokens of them. Its errors begin with Scnr.',
  },
  {
    id: 'parser', term: 'parser', forms: /\bparser\b/i,
    definition: 'The part of kel that takes the tokens one at a time, checks them against the grammar and the types, folds constants and generates commands. Its errors begin with Prsr.',
  },
  {
    id: 'declaration', term: 'declaration', forms: /\bdeclar(?:ation|ations|ed|es)\b/i,
    definition: 'A part of the program before BEGIN that names a constant (after CONST: name = expression;) or a variable (after VAR: name : type;). Each declaration names one; none generates a command.',
  },
  {
    id: 'constant', term: 'constant', forms: /\bconstants?\b/i,
    definition: 'A value kel knows while it reads: a number, TRUE, FALSE, or a name declared after CONST. A constant takes no slot: its value is written into the command that pushes it, Val.',
  },
  {
    id: 'variable', term: 'variable', forms: /\bvariables?\b/i,
    definition: 'A name declared after VAR for a slot of the machine\'s memory, whose value is known only while the program runs. It starts at 0, or FALSE.',
  },
  {
    id: 'slot', term: 'slot', forms: /\bslots?\b/i,
    definition: 'A numbered place in the machine\'s memory for one variable. Variables get slots 0, 1, 2 and so on, in the order they are declared; Lod and Sto name a slot.',
  },
  {
    id: 'command', term: 'command', forms: /\bcommands?\b/i,
    definition: 'One instruction for kel\'s machine: Val, Lod, Sto or an operation. kel generates each one as it reads, lists it in the trace and runs it at once.',
  },
  {
    id: 'operand', term: 'operand', forms: /\boperands?\b/i,
    definition: 'A value an operator works on, as 2 and 3 in 2 + 3; also the number a command carries, as 42 in Val 42.',
  },
  {
    id: 'operation', term: 'operation', forms: /\boperations?\b/i,
    definition: 'A command that takes its operands from the top of the stack and pushes its result, or writes it: Add, Sub, Mul, Div, Bus, Vid, Neg, the relations, Not, And, Or, Wrt and WrB. In the code store, the byte 04 and the operation\'s byte.',
  },
  {
    id: 'stack', term: 'stack', forms: /\bstack\b/i,
    definition: `The machine's values that wait for their operation, at most ${stackSize}. A command pushes a value on top or pops the top; after every statement the stack is empty.`,
  },
  {
    id: 'fold', term: 'fold', forms: /\bfold(?:s|ed|ing)?\b/i,
    definition: 'To compute an operation while reading, because its operands are constants. A folded expression generates no command of its own: one Val pushes its result, when the statement needs it.',
  },
  {
    id: 'capacity', term: 'capacity', forms: /\bcapacity\b/i,
    definition: `How much a store holds: the code store ${codeSize} bytes for the whole program, the stack ${stackSize} values. A program that needs more stops with Comp: Program too large. or Comp: Stack overflow.`,
  },
  {
    id: 'hexadecimal', term: 'hexadecimal', forms: /\bhexadecimal\b/i,
    definition: 'Numbers in base 16, as the code store shows its bytes: digits 0 to 9, then A to F for 10 to 15. 2A is 2 × 16 + 10 = 42; a byte is 00 to FF, which is 255.',
  },
  {
    id: 'diagnostic', term: 'diagnostic', forms: /\bdiagnostics?\b/i,
    definition: 'The line kel writes when it stops at an error: who found it (Scnr, Prsr, Comp or Fatal error), for a source error where, and what.',
  },
];

const byId = new Map(glossary.map((g) => [g.id, g]));

// The definition of the term with this id, or undefined.
export const definition = (id) => byId.get(id)?.definition;
