// The page's side of the worker (web/worker.js): kel.wasm is fetched and compiled once, and
// handed to each worker; a run that is asked for while another is still going ends that one's
// worker, so a long run never holds up a newer one.
export function createRunner(wasmUrl, workerUrl) {
  const module = fetch(wasmUrl)
    .then((r) => (r.ok ? r.arrayBuffer() : Promise.reject(new Error(`HTTP ${r.status}`))))
    .then((b) => WebAssembly.compile(b))
    .catch((e) => Promise.reject(new Error(`${wasmUrl} could not be loaded (${e.message})`)));
  let worker = null;
  let current = null; // { id, resolve, reject } of the run in the worker, if any
  let ids = 0;

  function spawn(m) {
    const w = new Worker(workerUrl);
    w.postMessage({ module: m });
    w.onmessage = ({ data }) => {
      if (!current || data.id !== current.id) return;
      const { resolve, reject } = current;
      current = null;
      if (data.error) reject(new Error(data.error));
      else resolve(data.result);
    };
    w.onerror = (e) => {
      e.preventDefault();
      const c = current;
      current = null;
      worker = null; // a broken worker is not used again
      w.terminate();
      c?.reject(new Error(e.message || 'the worker failed'));
    };
    return w;
  }

  return {
    ready: module.then((m) => {
      worker ??= spawn(m);
    }),
    // Resolves to what web/worker.js works out for the program's bytes; rejects with
    // { superseded: true } when a newer run took its place.
    async run(input) {
      const m = await module;
      if (current) {
        current.reject(Object.assign(new Error('superseded'), { superseded: true }));
        current = null;
        worker?.terminate();
        worker = null;
      }
      worker ??= spawn(m);
      const id = ++ids;
      return new Promise((resolve, reject) => {
        current = { id, resolve, reject };
        worker.postMessage({ id, input }, [input.buffer]);
      });
    },
  };
}
