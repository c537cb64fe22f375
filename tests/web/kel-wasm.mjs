#!/usr/bin/env node
// kel.wasm as a command, through the playground's host (core/kel.js), so that the end-to-end
// runner can run its cases against it:
//   KEL_WASM=build-wasm/kel.wasm KEL_E2E_STDIN_ONLY=1 build/tests/e2e/kel-e2e tests/web/kel-wasm.mjs CASEFILE...
// Standard input is read whole and given to kel as the page gives the program; both channels
// are written out and kel's status is the exit status.
import { readFileSync, writeSync } from 'node:fs';
import { run } from '../../core/index.js';

const wasm = process.env.KEL_WASM ?? new URL('../../build-wasm/kel.wasm', import.meta.url);
const kel = await WebAssembly.compile(readFileSync(wasm));
const r = await run(kel, readFileSync(0), process.argv.slice(2));
for (const c of r.chunks) writeSync(c.fd, c.bytes);
process.exitCode = r.status;
