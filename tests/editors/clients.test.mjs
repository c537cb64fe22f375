// The language server in real clients, with the configurations of editors/: headless Neovim's
// own client (editors/nvim/kel.lua) and vim with ALE (editors/vim/ale_linters). A line with
// multi-byte text before kel's error and before a name checks that both ends count columns alike.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { editors } from './editors.mjs';
import { server } from './lsp.mjs';

// Set by tests/editors/run when a client is missing: what needs it is skipped.
const noNvim = process.env.KEL_NO_NVIM === '1' && 'nvim is missing';
const noAle = (process.env.KEL_NO_VIM === '1' || process.env.KEL_NO_ALE === '1') && 'vim or ALE is missing';

const source = ['CONST limit = 40;', 'BEGIN (* é *) WRITE limit + 39;', '\t(* éé *) WRITE 1, .'];

// Runs an editor in a folder of its own that holds source.kel and the script given, as name; the
// script writes what it found, as JSON, into the file out.
function run(cmd, args, script, name) {
  const dir = mkdtempSync(join(tmpdir(), 'kel-client-'));
  try {
    writeFileSync(join(dir, 'source.kel'), source.join('\n') + '\n');
    writeFileSync(join(dir, name), script);
    const r = spawnSync(cmd, args, {
      cwd: dir, encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], timeout: 60000,
    });
    try {
      return JSON.parse(readFileSync(join(dir, 'out'), 'utf8'));
    } catch {
      throw new Error(`${cmd} wrote nothing (status ${r.status}): ${r.stdout}${r.stderr}`);
    }
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

const nvimScript = `
vim.cmd('edit source.kel')
vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 50)
local function ask(method, params)
  params.textDocument = { uri = vim.uri_from_bufnr(0) }
  for _, r in pairs(vim.lsp.buf_request_sync(0, method, params, 10000) or {}) do return r.result end
end
local out = {
  diagnostics = vim.tbl_map(function(d) return { d.lnum, d.col, d.message } end, vim.diagnostic.get(0)),
  hover = ask('textDocument/hover', { position = { line = 1, character = 22 } }),
  hints = ask('textDocument/inlayHint', { range = { start = { line = 1, character = 0 }, ['end'] = { line = 2, character = 0 } } }),
}
vim.fn.writefile({ vim.fn.json_encode(out) }, 'out')
vim.cmd('qall!')
`;

test('Neovim: the diagnostic after multi-byte text, a hover and an inlay hint', { skip: noNvim }, () => {
  const out = run('nvim', ['--headless', '-u', 'NONE', '-i', 'NONE', '--cmd', `set rtp^=${join(editors, 'vim')}`,
    '--cmd', 'filetype plugin on', '--cmd', `let g:kel_language_server = '${server}'`,
    '--cmd', `luafile ${join(editors, 'nvim/kel.lua')}`, '-c', 'luafile test.lua'], nvimScript, 'test.lua');
  // Neovim keeps columns in bytes from 0: the comma is kel's column 20.
  assert.deepEqual(out.diagnostics, [[2, 19, 'Scnr (3,20): Invalid character.']]);
  assert.equal(out.hover.contents.value, 'limit = 40 (INTEGER)');
  assert.deepEqual(out.hints.map((h) => [h.position, h.label]), [[{ line: 1, character: 30 }, '→ 79']]);
});

const aleScript = `
let g:ale_lint_delay = 0
packadd ale
edit source.kel
ALELint
for i in range(200)
  if !empty(getloclist(0)) | break | endif
  sleep 100m
endfor
let g:found = {'loclist': map(getloclist(0), {_, e -> [e.lnum, e.col, e.text]})}
call cursor(2, 22)
ALEGoToDefinition
for i in range(100)
  if line('.') == 1 | break | endif
  sleep 100m
endfor
let g:found.definition = [line('.'), col('.')]
call writefile([json_encode(g:found)], 'out')
qall!
`;

test('vim with ALE: the diagnostic after multi-byte text, and go to definition from after it', { skip: noAle }, () => {
  const out = run('vim', ['-N', '-u', 'NONE', '-i', 'NONE', '--not-a-term', '--cmd', `set rtp^=${join(editors, 'vim')}`,
    '--cmd', 'filetype plugin on', '--cmd', `let g:ale_kel_language_server_executable = '${server}'`, '-S', 'test.vim'],
  aleScript, 'test.vim');
  assert.deepEqual(out.loclist, [[3, 20, 'Scnr (3,20): Invalid character.']]);
  assert.deepEqual(out.definition, [1, 7]);
});
