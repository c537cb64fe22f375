// Runs checks (check.js) in a worker thread, one at a time, so that the server keeps answering
// while kel reads a long text. The newest text of a document wins: a newer one ends the check of
// an older one, queued or running, and joins the queue at its end. A running check is told to
// stop through memory both threads share and stops at kel's next read of the source, so the
// thread is kept for the next check rather than started afresh. A check that runs past the time
// limit is ended with its thread. A check takes time in proportion to the text (about a second
// for the 4 MiB the server takes, on a slow machine), so the limit is there for a fault, not for
// a long text.
import { Worker } from 'node:worker_threads';

const limit = 30000; // ms

export class Checker {
  // entry: the file whose worker side serves checks; module: kel.wasm, compiled.
  constructor(entry, module) {
    this.entry = entry;
    this.module = module;
    // 1 while the running check is dropped: the thread stops it at kel's next read.
    this.dropped = new Int32Array(new SharedArrayBuffer(4));
    this.queue = new Map(); // key -> { bytes, resolve }
    this.running = null; // { key, resolve, timer }; resolve is null once the check is dropped
    this.worker = null;
  }

  // Resolves to the result of checking bytes, to { superseded: true } when a newer text of the
  // same key came first, or to { error } when the check failed.
  check(key, bytes) {
    this.drop(key);
    return new Promise((resolve) => {
      this.queue.set(key, { bytes, resolve });
      this.next();
    });
  }

  // Ends what is queued or running for key. A running check is answered at once, and the thread
  // is told to stop it; the next check starts when the thread has.
  drop(key) {
    this.queue.get(key)?.resolve({ superseded: true });
    this.queue.delete(key);
    if (this.running?.key === key && this.running.resolve) {
      Atomics.store(this.dropped, 0, 1);
      this.running.resolve({ superseded: true });
      this.running.resolve = null;
    }
  }

  finish(outcome) {
    const { resolve, timer } = this.running;
    clearTimeout(timer);
    this.running = null;
    resolve?.(outcome);
    this.next();
  }

  // Ends the thread, and with it the check it runs.
  stop(outcome) {
    this.worker.removeAllListeners();
    this.worker.terminate();
    this.worker = null;
    this.finish(outcome);
  }

  start() {
    this.worker = new Worker(this.entry, { workerData: { module: this.module, dropped: this.dropped } });
    this.worker.on('message', (outcome) => this.running && this.finish(outcome));
    this.worker.on('error', (e) => this.running && this.stop({ error: String(e?.message ?? e) }));
    // A thread that ends while idle is not posted to again: the next check starts another.
    this.worker.on('exit', () => {
      if (this.running) this.stop({ error: 'the checking thread ended' });
      else this.worker = null;
    });
    this.worker.unref();
  }

  next() {
    if (this.running || this.queue.size === 0) return;
    const [key, job] = this.queue.entries().next().value;
    this.queue.delete(key);
    if (!this.worker) this.start();
    const timer = setTimeout(() => this.stop({ error: `the check took more than ${limit / 1000} s` }), limit);
    this.running = { key, resolve: job.resolve, timer };
    Atomics.store(this.dropped, 0, 0); // the thread is idle: it has answered the check before
    this.worker.postMessage(job.bytes);
  }
}
