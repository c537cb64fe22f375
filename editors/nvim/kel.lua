-- kel in Neovim's own LSP client (Neovim 0.7 or later): kel-language-server for every kel file,
-- one server for all of them. With editors/vim on the runtimepath, which makes *.kel files of
-- file type kel, put in init.lua:
--   vim.g.kel_language_server = '/path/to/kel-language-server'  -- if it is not on the PATH
--   dofile('/path/to/editors/nvim/kel.lua')
local client
vim.api.nvim_create_autocmd('FileType', {
  pattern = 'kel',
  callback = function(args)
    if not client or vim.lsp.client_is_stopped(client) then
      client = vim.lsp.start_client({
        name = 'kel',
        cmd = { vim.g.kel_language_server or 'kel-language-server', '--stdio' },
        root_dir = vim.fn.getcwd(),
      })
    end
    if client then vim.lsp.buf_attach_client(args.buf, client) end
  end,
})
