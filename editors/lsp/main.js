// The entry of the language server, in the checkout (through kel-language-server) and as shipped
// (bundled into one file): the main thread serves the protocol (server.js), and the same file,
// started as a worker thread, runs kel's checks (check.js).
import { isMainThread } from 'node:worker_threads';
import { serve } from './check.js';
import { main } from './server.js';

if (isMainThread) main(process.argv.slice(2), import.meta.url);
else serve();
