// What the node tests of what the step view derives from kel's runs (replay, origins, words,
// what kel holds, the questions) run kel.wasm on: every example, and the standard input of every
// end-to-end case that gives kel nothing else. The cases' inputs are collected by the end-to-end runner
// (KEL_E2E, default build/tests/e2e/kel-e2e), which runs a capturing command in place of kel.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { chmodSync, existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync }
  from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = new URL('../../', import.meta.url);
const cases = new URL('tests/e2e/cases/', root);

// kel.wasm, compiled: the first argument of the test, else build-wasm/kel.wasm.
export const kel = await WebAssembly.compile(readFileSync(process.argv[2] ?? new URL('build-wasm/kel.wasm', root)));

export const examples = readdirSync(new URL('examples/', root)).filter((f) => f.endsWith('.kel'));
export const example = (name) => readFileSync(new URL(`examples/${name}`, root));
export const caseFiles = readdirSync(cases).filter((f) => f.endsWith('.t'));

// The runner writes each case's standard input through this command, numbered in case order.
export function caseInputs(file) {
  const runner = process.env.KEL_E2E ?? fileURLToPath(new URL('build/tests/e2e/kel-e2e', root));
  assert.ok(existsSync(runner), `${runner} is missing (cmake --build build builds it)`);
  const dir = mkdtempSync(join(tmpdir(), 'kel-replay-'));
  try {
    const capture = join(dir, 'capture');
    writeFileSync(capture, '#!/bin/sh\nexec cat >"$KEL_CAPTURE/$(ls "$KEL_CAPTURE" | wc -l)"\n');
    chmodSync(capture, 0o755);
    const out = join(dir, 'in');
    mkdirSync(out);
    const env = { ...process.env, KEL_CAPTURE: out, KEL_E2E_STDIN_ONLY: '1' };
    spawnSync(runner, [capture, fileURLToPath(new URL(file, cases))], { env, stdio: 'ignore' });
    return readdirSync(out)
      .sort((a, b) => a - b)
      .map((n) => readFileSync(join(out, n)));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// Runs check on each input of caseInputs(file) in turn, and resolves to how many there were; a
// failure names the file, the input and how it begins.
export async function eachInput(file, check) {
  const inputs = caseInputs(file);
  for (const [i, input] of inputs.entries()) {
    try {
      await check(input);
    } catch (e) {
      e.message = `${file} input ${i} (${JSON.stringify(new TextDecoder().decode(input.subarray(0, 80)))}): ${e.message}`;
      throw e;
    }
  }
  return inputs.length;
}
