" Vim syntax file for kel programs.
" The groups are the token classes that the VS Code grammar (editors/vscode) has too; a test
" checks that both name the same keywords and predeclared names.

if exists('b:current_syntax')
  finish
endif
let s:cpo_save = &cpo
set cpo&vim

syn case match
" A name is ASCII letters and digits; every other byte ends it (an underscore is refused, and a
" byte above 126 separates tokens).
syn iskeyword 48-57,65-90,97-122

syn keyword kelKeyword CONST VAR BEGIN WRITE
" Predeclared names, not keywords: the constants and the types.
syn keyword kelBoolean TRUE FALSE
syn keyword kelType INTEGER BOOLEAN

syn match kelNumber '\<\d\+\>'
" A letter directly after the digits is an error ("Invalid number"), not a number and a name.
syn match kelBadNumber '\<\d\+[A-Za-z][A-Za-z0-9]*'

syn match kelOperator '[-+*/&|~=#<>:]'

" The printable characters that begin no token; everywhere but in a comment they are an error.
syn match kelInvalid /[!"$%',?@[\\\]^_`{}]/

" Comments nest, and one that is never closed runs to the end of the file. A "(*" opens a
" comment even when a ")" follows: "(*)" does not close it.
syn region kelComment start='(\*' end='\*)' contains=kelComment,@Spell

" The first full stop outside a comment ends the program, or is an error: kel reads nothing
" behind it.
syn region kelUnread matchgroup=kelEnd start='\.' end='\%$'

" Only the start of the file tells whether a line lies in a comment, nested ones included.
syn sync fromstart

hi def link kelKeyword Keyword
hi def link kelBoolean Boolean
hi def link kelType Type
hi def link kelNumber Number
hi def link kelBadNumber Error
hi def link kelOperator Operator
hi def link kelInvalid Error
hi def link kelComment Comment
hi def link kelUnread Comment

let b:current_syntax = 'kel'
let &cpo = s:cpo_save
unlet s:cpo_save
