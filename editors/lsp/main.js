// The entry of the language server, in the checkout (through kel-language-server) and as shipped
// (bundled into one file): the main thread serves the protocol (server.js), and the same file,
// started as a worker thread, runs kel's checks (check.js). Each side loads only what it uses: a
// worker, started afresh after a check that failed, loads kel's core and not the protocol's
// library.
import { isMainThread } from 'node:worker_threads';

if (isMainThread) import('./server.js').then(({ main }) => main(process.argv.slice(2), import.meta.url));
else import('./check.js').then(({ serve }) => serve());
