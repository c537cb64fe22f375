// The VS Code extension's code: starts the kel language server, shipped beside it in the .vsix,
// for kel files, and adds the command "kel: Run File", which shows kel's run of the file in the
// panel "kel": what kel wrote on both channels in the order it wrote them (the output and the
// trace, as a terminal shows them), and the exit status.
import * as vscode from 'vscode';
import { LanguageClient, TransportKind } from 'vscode-languageclient/node';

let client;

export async function activate(context) {
  const module = context.asAbsolutePath('server/kel-language-server');
  const run = { module, transport: TransportKind.stdio };
  client = new LanguageClient('kel', 'kel language server', { run, debug: run }, {
    documentSelector: [{ language: 'kel' }],
  });
  const panel = vscode.window.createOutputChannel('kel');
  context.subscriptions.push(
    panel,
    vscode.commands.registerCommand('kel.runFile', async () => {
      const doc = vscode.window.activeTextEditor?.document;
      if (doc?.languageId !== 'kel') {
        vscode.window.showInformationMessage('kel: Run File runs the kel file in the active editor.');
        return;
      }
      const r = await client.sendRequest('kel/run', { textDocument: { uri: doc.uri.toString() } });
      panel.clear();
      panel.appendLine(`kel ${vscode.workspace.asRelativePath(doc.uri)}`);
      if (r.error) panel.appendLine(`not run: ${r.error}`);
      else {
        for (const line of r.lines) panel.appendLine(line.text);
        panel.appendLine(`exit status ${r.status}`);
      }
      panel.show(true);
    }),
  );
  await client.start();
}

export function deactivate() {
  return client?.stop();
}
