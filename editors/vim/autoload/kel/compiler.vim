" What compiler/kel.vim needs: the program it runs, and the quickfix entries made whole.

" The kel to run: g:kel_program (a leading "~" is the home folder) or else kel on the PATH.
function! kel#compiler#Program() abort
  let program = get(g:, 'kel_program', 'kel')
  return program =~# '^\~' ? expand(program) : program
endfunction

" The program quoted for the shell, with the "%" and "#" that ":make" would replace by file
" names escaped.
function! kel#compiler#Command() abort
  return escape(shellescape(kel#compiler#Program()), '%#')
endfunction

" After ":make" (loc 0) or ":lmake" (loc 1) with kel as the buffer's compiler: a kel that cannot
" be run is an error message, not an empty list; every entry that names no file is given the
" current buffer, the file that "kel %" was run on, and loses the carriage return that ends each
" line kel writes.
function! kel#compiler#SupplyFile(loc) abort
  if get(b:, 'current_compiler', get(g:, 'current_compiler', '')) !=# 'kel'
    return
  endif
  if !executable(kel#compiler#Program())
    echoerr 'kel: cannot run ' . kel#compiler#Program() . ': no such program (g:kel_program names kel)'
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
