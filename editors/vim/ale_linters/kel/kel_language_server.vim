" kel's language server in vim through the plugin ALE (3.3 or later): kel's diagnostics as you
" type, :ALEHover, :ALEGoToDefinition, :ALEFindReferences. kel-language-server is found on the
" PATH, or set g:ale_kel_language_server_executable to it. ALE counts a line's characters in bytes,
" as vim does, and the server is told so.
call ale#Set('kel_language_server_executable', 'kel-language-server')

call ale#linter#Define('kel', {
\   'name': 'kel_language_server',
\   'lsp': 'stdio',
\   'executable': {b -> ale#Var(b, 'kel_language_server_executable')},
\   'command': '%e --stdio --position-encoding utf-8',
\   'project_root': {b -> fnamemodify(bufname(b), ':p:h')},
\})
