-- kel in Neovim's own LSP client (Neovim 0.7 or later): kel-language-server for every kel file,
-- one server for all of them. In a kel buffer, :KelRun shows kel's run of it in a window below:
-- what kel wrote on both channels in the order it wrote them, and the exit status; the code lens
-- "Run" over the program does the same (vim.lsp.codelens.run()). Completion is the buffer's
-- omnifunc (CTRL-X CTRL-O); Neovim 0.10 and later also show the inlay hints. With editors/vim on
-- the runtimepath, which makes *.kel files of file type kel, put in init.lua:
--   vim.g.kel_language_server = '/path/to/kel-language-server'  -- if it is not on the PATH
--   dofile('/path/to/editors/nvim/kel.lua')
local client

-- The buffer that shows the last run, kept while it lives.
local function run_buffer()
  for _, b in ipairs(vim.api.nvim_list_bufs()) do
    if vim.b[b].kel_run then return b end
  end
  local b = vim.api.nvim_create_buf(false, true)
  vim.b[b].kel_run = true
  vim.api.nvim_buf_set_name(b, 'kel run')
  return b
end

-- Shows lines in the run's window, opened below when it is not on screen; the cursor stays.
local function show(lines)
  local b = run_buffer()
  vim.api.nvim_buf_set_lines(b, 0, -1, false, lines)
  if vim.fn.bufwinid(b) == -1 then
    local here = vim.api.nvim_get_current_win()
    vim.cmd('botright ' .. math.min(#lines, 12) .. 'split')
    vim.api.nvim_win_set_buf(0, b)
    vim.api.nvim_set_current_win(here)
  end
end

-- kel's run of the buffer, as the server has it.
local function run(bufnr)
  if bufnr == nil or bufnr == 0 then bufnr = vim.api.nvim_get_current_buf() end
  local c = client and vim.lsp.get_client_by_id(client)
  if not c then
    vim.notify('kel: the language server is not running', vim.log.levels.WARN)
    return
  end
  local params = { textDocument = { uri = vim.uri_from_bufnr(bufnr) } }
  c.request('kel/run', params, function(err, r)
    if err then
      vim.notify('kel: ' .. err.message, vim.log.levels.ERROR)
      return
    end
    local lines = { 'kel ' .. vim.fn.fnamemodify(vim.api.nvim_buf_get_name(bufnr), ':.') }
    if r.error then
      table.insert(lines, 'not run: ' .. r.error)
    else
      for _, l in ipairs(r.lines) do table.insert(lines, (l.text:gsub('\n', ' '))) end
      table.insert(lines, 'exit status ' .. r.status)
    end
    show(lines)
  end, bufnr)
end

-- The command of the code lens Run, run here rather than by the server.
vim.lsp.commands['kel.run'] = function(_, ctx) run(ctx.bufnr) end

local function on_attach(_, bufnr)
  vim.bo[bufnr].omnifunc = 'v:lua.vim.lsp.omnifunc'
  if vim.lsp.inlay_hint then pcall(vim.lsp.inlay_hint.enable, true, { bufnr = bufnr }) end
  vim.api.nvim_create_autocmd({ 'BufEnter', 'InsertLeave', 'TextChanged' }, {
    buffer = bufnr,
    callback = function() vim.lsp.codelens.refresh() end,
  })
  vim.lsp.codelens.refresh()
end

vim.api.nvim_create_autocmd('FileType', {
  pattern = 'kel',
  callback = function(args)
    if not client or vim.lsp.client_is_stopped(client) then
      client = vim.lsp.start_client({
        name = 'kel',
        cmd = { vim.g.kel_language_server or 'kel-language-server', '--stdio' },
        root_dir = vim.fn.getcwd(),
        on_attach = on_attach,
      })
    end
    if client then vim.lsp.buf_attach_client(args.buf, client) end
    vim.api.nvim_buf_create_user_command(args.buf, 'KelRun', function() run(args.buf) end,
      { desc = "kel's run of this file: what kel writes, and its exit status" })
  end,
})
