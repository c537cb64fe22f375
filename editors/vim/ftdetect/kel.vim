" kel source files
autocmd BufNewFile,BufRead *.kel setfiletype kel
