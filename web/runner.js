// The page's side of the worker (web/worker.js): kel.wasm is fetched and compiled once, and
// handed to each worker. The newest run wins, and this is the one place that decides it: asking
// for a run supersedes every run asked for before it, one still to start as well as one running
// (that one's worker is ended, so a long run never holds up a newer one), and only the newest
// run's result is ever delivered.
export function createRunner(wasmUrl, workerUrl) {
  const module = fetch(wasmUrl)
    .then((r) => (r.ok ? r.arrayBuffer() : Promise.reject(new Error(`HTTP ${r.status}`))))
    .then((b) => WebAssembly.compile(b))
    .catch((e) => Promise.reject(new Error(`${wasmUrl} could not be loaded (${e.message})`)));
  let worker = null;
  let newest = null; // { id, resolve, reject, running } of the newest run asked for, until it ends
  let ids = 0;

  function end(run, error, result) {
    if (newest !== run) return;
    newest = null;
    if (error) run.reject(error);
    else run.resolve(result);
  }

  function spawn(m) {
    const w = new Worker(workerUrl);
    w.postMessage({ module: m });
    w.onmessage = ({ data }) => {
      if (newest?.id !== data.id) return;
      end(newest, data.error && new Error(data.error), data.result);
    };
    w.onerror = (e) => {
      e.preventDefault();
      worker = null; // a broken worker is not used again
      w.terminate();
      if (newest?.running) end(newest, new Error(e.message || 'the worker failed'));
    };
    return w;
  }

  return {
    ready: module.then((m) => {
      worker ??= spawn(m);
    }),
    // Resolves to what web/worker.js works out for the bytes source() gives; rejects with
    // { superseded: true } the moment a newer run is asked for. source is called in a task of
    // its own (the text may be long), and only if no newer run was asked for by then.
    run(source) {
      if (newest) {
        const older = newest;
        end(older, Object.assign(new Error('superseded'), { superseded: true }));
        if (older.running) {
          worker?.terminate();
          worker = null;
        }
      }
      return new Promise((resolve, reject) => {
        const run = { id: ++ids, resolve, reject, running: false };
        newest = run;
        module
          .then(async (m) => {
            await new Promise((ok) => setTimeout(ok));
            if (newest !== run) return;
            const input = source();
            worker ??= spawn(m);
            run.running = true;
            worker.postMessage({ id: run.id, input }, [input.buffer]);
          })
          .catch((e) => end(run, e));
      });
    },
  };
}

// Runs the text the editor holds: resolves to { version, result, started }, the editor's version
// that ran, the worker's result and when the run was asked for, or to null when a newer run
// superseded it or none could be made (then setStatus says why). A long run says so; a short one
// does not flicker.
export async function runEditor(runner, editor, setStatus) {
  const started = performance.now();
  let version;
  const slow = setTimeout(() => setStatus('Running…'), 100);
  try {
    const result = await runner.run(() => {
      version = editor.version;
      return new TextEncoder().encode(editor.text());
    });
    return { version, result, started };
  } catch (e) {
    if (!e.superseded) setStatus(`kel could not run: ${e.message}.`, 'failed');
    return null;
  } finally {
    clearTimeout(slow);
  }
}
