" Vim filetype plugin for kel programs.

if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

" kel has only block comments, "(*" to "*)"; the lines between begin with " *".
setlocal commentstring=(*\ %s\ *)
setlocal comments=s1:(*,mb:*,ex:*)
setlocal formatoptions-=t formatoptions+=croql

let b:undo_ftplugin = 'setlocal commentstring< comments< formatoptions<'
