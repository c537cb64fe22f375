// The protocol's lifecycle, kept in front of the connection: before initialize a request gets
// ServerNotInitialized and a notification is dropped; initialize is taken once; after shutdown a
// request gets InvalidRequest and a notification is dropped; exit is always taken (it ends the
// server, with status 0 after shutdown and 1 otherwise). Also kept from the library's handlers,
// which would fail on them: a message without the params its method needs, or with params that
// are neither an object nor an array; a request gets InvalidParams, a notification is dropped.
import { ErrorCodes } from 'vscode-languageserver/node';

const structured = (params) => params !== null && typeof params === 'object';

// The protocol's methods whose handlers, the library's or the server's, read params.
const withParams = new Set([
  'initialize', '$/cancelRequest', 'textDocument/didOpen', 'textDocument/didChange', 'textDocument/didClose',
]);

export class Lifecycle {
  // reply(message) sends an answer of the lifecycle's own; needsParams(method) says whether a
  // message of one of the server's own methods needs params.
  constructor(reply, needsParams) {
    this.reply = reply;
    this.needsParams = needsParams;
    this.state = 'new'; // then 'running', then 'shut'
  }

  // Whether the connection is to have msg (a request, a notification or a response).
  admit(msg) {
    const { method } = msg;
    if (typeof method !== 'string' || method === 'exit') return true;
    const request = 'id' in msg;
    const refuse = (code, message) => {
      if (request) this.reply({ jsonrpc: '2.0', id: msg.id, error: { code, message } });
      return false;
    };
    if (this.state === 'shut') return refuse(ErrorCodes.InvalidRequest, 'Invalid request: the server is shut down');
    if (method === 'initialize' && (this.state !== 'new' || !request)) {
      return refuse(ErrorCodes.InvalidRequest, 'Invalid request: the server is initialized already');
    }
    if (method !== 'initialize' && this.state === 'new') {
      return refuse(ErrorCodes.ServerNotInitialized, 'Server not initialized: initialize comes first');
    }
    const badParams = 'params' in msg ? !structured(msg.params) : withParams.has(method) || this.needsParams(method);
    if (badParams) return refuse(ErrorCodes.InvalidParams, `Invalid params: ${method} needs an object as its params`);
    if (method === 'initialize') this.state = 'running';
    if (method === 'shutdown' && request) this.state = 'shut';
    return true;
  }
}
