// The features, each one function of a text of a document (documents.js: { uri, version, text,
// result }, result null until it is checked; or null when the document is not open) and the
// request's params, and what the server offers for them. Positions go through the document's text
// (text.js), which counts as the client agreed. What is shown beside the text is in display.js,
// names and their uses in navigation.js, completion in completion.js, the quick fixes in fixes.js.
import { completion } from './completion.js';
import { codeLens, documentSymbol, foldingRange, hover, inlayHint, run, runCommand } from './display.js';
import { codeAction } from './fixes.js';
import { definition, documentHighlight, prepareRename, references, rename } from './navigation.js';

// The requests answered from the text alone, at once, without waiting for its check: those that
// read kel's tokens, and completion, which gives what kel's check found of a name once it has.
export const atOnce = {
  'textDocument/definition': definition,
  'textDocument/references': references,
  'textDocument/documentHighlight': documentHighlight,
  'textDocument/completion': completion,
  'textDocument/prepareRename': prepareRename,
  'textDocument/rename': rename,
  'textDocument/foldingRange': foldingRange,
  'textDocument/codeLens': codeLens,
};

// The requests answered once the text they were made against is checked.
export const afterCheck = {
  'textDocument/hover': hover,
  'textDocument/documentSymbol': documentSymbol,
  'textDocument/inlayHint': inlayHint,
  'textDocument/codeAction': codeAction,
  'kel/run': run,
};

// The commands of workspace/executeCommand, each a function of the document its first argument
// names (as documents.js has it) and that argument: { result, message }, message what the user is
// shown.
export const commands = {
  'kel.run': runCommand,
};

// Whether a message of one of the server's own methods needs params (lifecycle.js).
export const needsParams = (method) =>
  method === 'workspace/executeCommand' || Object.hasOwn(atOnce, method) || Object.hasOwn(afterCheck, method);

// What the server offers for these features.
export const providers = {
  hoverProvider: true,
  definitionProvider: true,
  referencesProvider: true,
  documentHighlightProvider: true,
  documentSymbolProvider: true,
  inlayHintProvider: true,
  completionProvider: { triggerCharacters: [':', '='] },
  codeActionProvider: { codeActionKinds: ['quickfix'] },
  renameProvider: { prepareProvider: true },
  foldingRangeProvider: true,
  codeLensProvider: { resolveProvider: false },
  executeCommandProvider: { commands: Object.keys(commands) },
};
