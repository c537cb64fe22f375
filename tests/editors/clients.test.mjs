// The language server in real clients, with the configurations of editors/: headless Neovim's
// own client (editors/nvim/kel.lua) and vim with ALE (editors/vim/ale_linters). A line with
// multi-byte text before kel's error and before a name checks that both ends count columns alike;
// in Neovim, quick fixes, completion and :KelRun as a user would take them.
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

// Runs an editor in a folder of its own that holds source.kel (text) and the script given, as
// name; the script writes what it found, as JSON, into the file out.
function run(cmd, args, script, name, text = source.join('\n') + '\n') {
  const dir = mkdtempSync(join(tmpdir(), 'kel-client-'));
  try {
    writeFileSync(join(dir, 'source.kel'), text);
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

const nvim = ['--headless', '-u', 'NONE', '-i', 'NONE', '--cmd', `set rtp^=${join(editors, 'vim')}`,
  '--cmd', 'filetype plugin on', '--cmd', `let g:kel_language_server = '${server}'`,
  '--cmd', `luafile ${join(editors, 'nvim/kel.lua')}`, '-c', 'luafile test.lua'];

test('Neovim: the diagnostic after multi-byte text, a hover and an inlay hint', { skip: noNvim }, () => {
  const out = run('nvim', nvim, nvimScript, 'test.lua');
  // Neovim keeps columns in bytes from 0: the comma is kel's column 20.
  assert.deepEqual(out.diagnostics, [[2, 19, 'Scnr (3,20): Invalid character.']]);
  assert.equal(out.hover.contents.value, 'limit = 40 (INTEGER)');
  assert.deepEqual(out.hints.map((h) => [h.position, h.label]), [[{ line: 1, character: 30 }, '→ 79']]);
});

// Two quick fixes taken as a user takes them (code_action, its one choice), each followed by
// kel's next diagnostic; completion after ":=" as Neovim's omnifunc lists it; the code lens Run;
// then :KelRun.
const nvimFixScript = `
vim.ui.select = function(items, _, choose) choose(items[1], 1) end
vim.cmd('edit source.kel')
local function messages()
  return vim.tbl_map(function(d) return d.message end, vim.diagnostic.get(0))
end
local function until_changed(was)
  vim.wait(20000, function() return vim.inspect(messages()) ~= vim.inspect(was) end, 50)
  return messages()
end
local out = { diagnostics = { until_changed({}) } }
for _ = 1, 2 do
  vim.api.nvim_win_set_cursor(0, { vim.diagnostic.get(0)[1].lnum + 1, 0 })
  vim.lsp.buf.code_action()
  table.insert(out.diagnostics, until_changed(out.diagnostics[#out.diagnostics]))
end
out.text = vim.api.nvim_buf_get_lines(0, 0, -1, false)
local params = { textDocument = { uri = vim.uri_from_bufnr(0) }, position = { line = 1, character = 10 } }
for _, r in pairs(vim.lsp.buf_request_sync(0, 'textDocument/completion', params, 10000) or {}) do
  out.completion = vim.tbl_map(function(i) return i.word end,
    vim.lsp.util.text_document_completion_list_to_complete_items(r.result, ''))
end
vim.wait(10000, function() return #vim.lsp.codelens.get(0) > 0 end, 50)
out.lenses = vim.tbl_map(function(l) return l.command.title end, vim.lsp.codelens.get(0))
vim.cmd('KelRun')
vim.wait(10000, function() return vim.fn.bufnr('kel run') > 0 end, 50)
out.run = vim.api.nvim_buf_get_lines(vim.fn.bufnr('kel run'), 0, -1, false)
vim.fn.writefile({ vim.fn.json_encode(out) }, 'out')
vim.cmd('qall!')
`;

test('Neovim: two quick fixes, a completion, the lens Run and :KelRun', { skip: noNvim }, () => {
  // Without a line end after the last line, where kel's end of the text is on that line.
  const out = run('nvim', nvim, nvimFixScript, 'test.lua', 'VAR x : INTEGER;\nBEGIN x := 7\n  WRITE x * 6');
  assert.deepEqual(out.diagnostics, [['Prsr (3,3): Expected ";" or ".".'], ['Prsr (3,14): Expected ";" or ".".'], []]);
  assert.deepEqual(out.text, ['VAR x : INTEGER;', 'BEGIN x := 7;', '  WRITE x * 6 .']);
  assert.deepEqual(out.completion.sort(), ['FALSE', 'TRUE', 'x']);
  assert.deepEqual(out.lenses, ['Run']);
  assert.deepEqual(out.run, ['kel source.kel', 'Comp.DebugG:  pos', 'Comp.DebugG:    0:  Val 7', 'Comp.DebugG:    5:  Sto 0',
    'Comp.DebugG:   10:  Lod 0', 'Comp.DebugG:   15:  Val 6', 'Comp.DebugG:   20:  Mul', 'Comp.DebugG:   22:  Wrt', '42',
    'exit status 0']);
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
