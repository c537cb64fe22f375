" Vim compiler plugin for kel: ":compiler kel" then ":make" runs kel on the current file and
" puts its diagnostic into the quickfix list.
"
" kel's diagnostics name no file ("Prsr (3,7): Expected identifier."), since kel reads one source
" only; after ":make" the entries without a file are given the file that was made. A run-time
" error ("Comp: Division by zero.", "Fatal error: ...") has no position: its entry names the file
" without a line. The generation trace ("Comp.DebugG: ...") and the program's output are no
" errors and are left out.
"
" g:kel_program names the kel to run (default: kel, found on the PATH); its path may hold blanks
" and other characters the shell treats specially. When there is no such program, ":make" ends
" with an error message that says so.

if exists('current_compiler')
  finish
endif
let current_compiler = 'kel'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

" %:S quotes the file name for the shell, blanks and all; the program is quoted in the same way.
execute 'CompilerSet makeprg=' . escape(kel#compiler#Command() . ' %:S', ' \|"')
CompilerSet errorformat=
      \%-GComp.DebugG:%.%#,
      \Scnr\ (%l\\,%c):\ %m,
      \Prsr\ (%l\\,%c):\ %m,
      \Comp:\ %m,
      \Fatal\ error:\ %m,
      \kel:\ %m,
      \%-G%.%#

augroup kel_compiler
  autocmd!
  autocmd QuickFixCmdPost make call kel#compiler#SupplyFile(0)
  autocmd QuickFixCmdPost lmake call kel#compiler#SupplyFile(1)
augroup END

let &cpo = s:cpo_save
unlet s:cpo_save
