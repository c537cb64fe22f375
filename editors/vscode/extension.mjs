// The VS Code extension's code: starts the kel language server for kel files (the one shipped
// beside it in the .vsix, or the one the setting kel.server.path names), and shows kel's run of a
// file in the panel "kel": what kel wrote on both channels in the order it wrote them (the output
// and the trace, as a terminal shows them), and the exit status. A run starts from the command
// "kel: Run File" (the editor's title bar, Ctrl+F5 or Cmd+F5) or from the code lens "Run" over
// the program, whose command the server offers and the extension runs itself.
import * as vscode from 'vscode';
import { LanguageClient, TransportKind } from 'vscode-languageclient/node';

let client;
let panel;

// The server to run: the setting's file, else the shipped one. Either is run with VS Code's node.
function serverModule(context) {
  const path = vscode.workspace.getConfiguration('kel').get('server.path');
  return path ? path.replace(/^~(?=\/|$)/, process.env.HOME ?? '~') : context.asAbsolutePath('server/kel-language-server');
}

async function show(uri) {
  const r = await client.sendRequest('kel/run', { textDocument: { uri: uri.toString() } });
  panel.clear();
  panel.appendLine(`kel ${vscode.workspace.asRelativePath(uri)}`);
  if (r.error) panel.appendLine(`not run: ${r.error}`);
  else {
    for (const line of r.lines) panel.appendLine(line.text);
    panel.appendLine(`exit status ${r.status}`);
  }
  panel.show(true);
}

function startClient(context) {
  const run = { module: serverModule(context), transport: TransportKind.stdio };
  client = new LanguageClient('kel', 'kel language server', { run, debug: run }, {
    documentSelector: [{ language: 'kel' }],
    middleware: {
      // The lens's Run shows the run in the panel, as Run File does, rather than in a message.
      executeCommand: (command, args, next) => (command === 'kel.run' ? show(vscode.Uri.parse(args[0])) : next(command, args)),
    },
  });
  return client.start();
}

export async function activate(context) {
  panel = vscode.window.createOutputChannel('kel');
  context.subscriptions.push(
    panel,
    vscode.commands.registerCommand('kel.runFile', async () => {
      const doc = vscode.window.activeTextEditor?.document;
      if (doc?.languageId !== 'kel') {
        vscode.window.showInformationMessage('kel: Run File runs the kel file in the active editor.');
        return;
      }
      await show(doc.uri);
    }),
    vscode.workspace.onDidChangeConfiguration(async (e) => {
      if (!e.affectsConfiguration('kel.server.path')) return;
      await client?.stop();
      await startClient(context);
    }),
  );
  await startClient(context);
}

export function deactivate() {
  return client?.stop();
}
