" Vim filetype plugin for kel programs.

if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

" kel has only block comments, "(*" to "*)".
setlocal commentstring=(*\ %s\ *)
setlocal comments=s:(*,m:\ ,e:*)
setlocal formatoptions-=t formatoptions+=croql

let b:undo_ftplugin = 'setlocal commentstring< comments< formatoptions<'
