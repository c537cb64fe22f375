" The quickfix side of compiler/kel.vim.

" After ":make" (loc 0) or ":lmake" (loc 1) with kel as the buffer's compiler: every entry that
" names no file is given the current buffer, the file that "kel %" was run on, and loses the
" carriage return that ends each line kel writes.
function! kel#compiler#SupplyFile(loc) abort
  if get(b:, 'current_compiler', get(g:, 'current_compiler', '')) !=# 'kel'
    return
  endif
  let items = a:loc ? getloclist(0) : getqflist()
  let changed = 0
  for item in items
    if item.bufnr == 0 && item.valid
      let item.bufnr = bufnr('%')
      let changed = 1
    endif
    if item.text =~# '\r$'
      let item.text = substitute(item.text, '\r$', '', '')
      let changed = 1
    endif
  endfor
  if changed
    if a:loc
      call setloclist(0, items, 'r')
    else
      call setqflist(items, 'r')
    endif
  endif
endfunction
