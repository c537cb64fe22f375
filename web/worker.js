// The worker that runs kel.wasm, off the page's thread. It is given the compiled module once,
// then one program per message; each run gets a fresh instance (core/kel.js), and everything the
// page shows of it is worked out here (web/result.js).
import { result } from './result.js';

let kel = null;

self.onmessage = async ({ data }) => {
  if (data.module) {
    kel = data.module;
    return;
  }
  try {
    self.postMessage({ id: data.id, result: await result(kel, data.input) });
  } catch (e) {
    self.postMessage({ id: data.id, error: String(e?.message ?? e) });
  }
};
