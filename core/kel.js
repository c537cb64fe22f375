// Runs kel.wasm, built for WASI, in the browser and under node: the host side of the few WASI
// calls kel makes. Standard input is the bytes given; standard output and the error output are
// collected as bytes, in the order written; proc_exit gives the exit status. There are no files
// (no directory is opened for kel, so it can open none) and no interrupts.
//
// Every run gets a fresh instance, which is how kel's process-wide state starts clean.

// WASI error numbers
const EBADF = 8;
const ESPIPE = 70;

class Exit {
  constructor(status) {
    this.status = status;
  }
}

// The error a run rejects with when it was told to stop (run's stop).
export class Stopped extends Error {
  constructor() {
    super('the run of kel was stopped');
  }
}

// Runs kel once: module is the compiled kel.wasm, input the bytes of standard input, args the
// parameters after the program's name. Resolves to { status, stdout, stderr, chunks, read }:
// chunks lists every write as { fd, bytes, read }, read being how many input bytes kel had been
// given when it wrote, and the last read how many it had been given in all. Input goes to kel one
// byte per read, and kel writes out all it holds before it reads, so read is exact: the commands
// in a chunk were generated with exactly read bytes seen. A trap in kel rejects. stop, when given,
// is an Int32Array, over memory that another thread shares: once its first element is not 0, kel
// is ended at its next read and run rejects with Stopped, so a run that is no longer wanted ends
// at once without ending the thread it runs in. It is read plainly, not through Atomics, as a
// read per byte must stay cheap.
export async function run(module, input, args = [], stop = null) {
  const enc = new TextEncoder();
  const argv = ['kel', ...args].map((a) => enc.encode(a + '\0'));
  const chunks = [];
  let pos = 0; // input bytes given so far
  let memory;
  // Views of kel's memory, made again only when it has grown: a read per byte must stay cheap.
  let buffer = null;
  let dv, u8;
  const view = () => {
    if (memory.buffer !== buffer) {
      buffer = memory.buffer;
      dv = new DataView(buffer);
      u8 = new Uint8Array(buffer);
    }
    return dv;
  };
  const bytes = (p, n) => new Uint8Array(memory.buffer, p, n);

  // Calls over the scatter/gather list at iovs: f(address, length) returns the bytes it moved.
  function eachIov(iovs, count, f) {
    let total = 0;
    for (let i = 0; i < count; i++) {
      const p = view().getUint32(iovs + 8 * i, true);
      const n = view().getUint32(iovs + 8 * i + 4, true);
      const k = f(p, n);
      total += k;
      if (k < n) break;
    }
    return total;
  }

  const wasi = {
    args_sizes_get(countAt, sizeAt) {
      view().setUint32(countAt, argv.length, true);
      view().setUint32(sizeAt, argv.reduce((s, a) => s + a.length, 0), true);
      return 0;
    },
    args_get(argvAt, bufAt) {
      argv.forEach((a, i) => {
        view().setUint32(argvAt + 4 * i, bufAt, true);
        bytes(bufAt, a.length).set(a);
        bufAt += a.length;
      });
      return 0;
    },
    fd_read(fd, iovs, count, doneAt) {
      if (fd !== 0) return EBADF;
      if (stop !== null && stop[0] !== 0) throw new Stopped();
      const v = view();
      let done = 0;
      // One byte, into the first buffer with room, while any is left.
      for (let i = 0; i < count && pos < input.length; i++) {
        if (v.getUint32(iovs + 8 * i + 4, true) === 0) continue;
        u8[v.getUint32(iovs + 8 * i, true)] = input[pos++];
        done = 1;
        break;
      }
      v.setUint32(doneAt, done, true);
      return 0;
    },
    fd_write(fd, iovs, count, doneAt) {
      if (fd !== 1 && fd !== 2) return EBADF;
      const done = eachIov(iovs, count, (p, n) => {
        chunks.push({ fd, bytes: bytes(p, n).slice(), read: pos });
        return n;
      });
      view().setUint32(doneAt, done, true);
      return 0;
    },
    fd_seek: (fd) => (fd <= 2 ? ESPIPE : EBADF),
    proc_exit(status) {
      throw new Exit(status);
    },
  };
  // Whatever else the C library links (opening and inspecting files) finds no such descriptor.
  const imports = {};
  for (const { module: m, name } of WebAssembly.Module.imports(module)) {
    if (m !== 'wasi_snapshot_preview1') continue;
    imports[name] = wasi[name] ?? (() => EBADF);
  }
  const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: imports });
  memory = instance.exports.memory;
  let status = 0;
  try {
    instance.exports._start();
  } catch (e) {
    if (!(e instanceof Exit)) throw e;
    status = e.status;
  }
  const join = (fd) => {
    const mine = chunks.filter((c) => c.fd === fd);
    const all = new Uint8Array(mine.reduce((s, c) => s + c.bytes.length, 0));
    let at = 0;
    for (const c of mine) {
      all.set(c.bytes, at);
      at += c.bytes.length;
    }
    return all;
  };
  return { status, stdout: join(1), stderr: join(2), chunks, read: pos };
}
