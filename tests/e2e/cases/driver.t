Command line: options, the choice of the source, and the driver's failures.
Every option ends the process (help or "Invalid option", status 9); on POSIX
only "/h" and "/?" are options written with "/", every other "/..." is a file
name. Empty parameters are dropped before anybody counts them.

Most cases run prog.kel (writes 1) or other.kel (writes 2) so that the output
shows which source was read.

### help: -h
args: -h
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### help: -?
args: -?
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### help: /h
args: /h
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### help: /?
args: /?
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### help: the source on stdin is never read
args: -h
--- stdin
BEGIN WRITE 1 .
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### help: the first option wins over a later invalid one
args: -h -x
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### invalid option: -x shows the text without its "-"
args: -x
--- stderr
kel: Invalid option: 'x'
--- status 9

### invalid option: --x loses only its first "-"
args: --x
--- stderr
kel: Invalid option: '-x'
--- status 9

### invalid option: -help is compared as a whole text
args: -help
--- stderr
kel: Invalid option: 'help'
--- status 9

### invalid option: -H (case matters)
args: -H
--- stderr
kel: Invalid option: 'H'
--- status 9

### invalid option: -hh
args: -hh
--- stderr
kel: Invalid option: 'hh'
--- status 9

### invalid option: -??
args: -??
--- stderr
kel: Invalid option: '??'
--- status 9

### invalid option: the first option wins over a later -h
args: -x -h
--- stderr
kel: Invalid option: 'x'
--- status 9

### invalid option followed by an existing file: the file is never read
args: -x prog.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
kel: Invalid option: 'x'
--- status 9

### invalid option of 300 characters shows 255 of them
args: -ooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooo
--- stderr
kel: Invalid option: 'ooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooooo'
--- status 9

### slash: /x is a file name on POSIX
only: posix
args: /x
--- stderr
kel: File does not exist: '/x'
--- status 9

### slash: /hh is a file name, not an option
only: posix
args: /hh
--- stderr
kel: File does not exist: '/hh'
--- status 9

### slash: /H is a file name, not an option
only: posix
args: /H
--- stderr
kel: File does not exist: '/H'
--- status 9

### slash: / alone is the root directory
args: /
--- stderr
Fatal error: cannot open '/': Is a directory.
--- status 9

### no parameters: the source is stdin
--- stdin
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### dash: - reads stdin
args: -
--- stdin
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### dash: - then -h prints the help
args: - -h
--- stdin
BEGIN WRITE 1 .
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### dash: - then -x is an invalid option
args: - -x
--- stdin
BEGIN WRITE 1 .
--- stderr
kel: Invalid option: 'x'
--- status 9

### dash: - then a file reads stdin and ignores the file
args: - other.kel
--- file other.kel
BEGIN WRITE 2 .
--- stdin
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### dash: - then a missing file is not even tested
args: - missing.kel
--- stdin
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### dash: -- is an option, not standard input
args: --
--- stdin
BEGIN WRITE 1 .
--- stderr
kel: Invalid option: '-'
--- status 9

### dash: - means stdin even when a file named - exists
args: -
--- file -
BEGIN WRITE 2 .
--- stdin
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### dash: ./- names the file
args: ./-
--- file -
BEGIN WRITE 2 .
--- stdin
BEGIN WRITE 1 .
--- stdout
2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2
Comp.DebugG:    5:  Wrt

### dash: a file named -h is reached through ./
args: ./-h
--- file -h
BEGIN WRITE 2 .
--- stdout
2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2
Comp.DebugG:    5:  Wrt

### file: a relative name
args: prog.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stdin
BEGIN WRITE 2 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### file: an absolute name
args: $DIR/prog.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### file: two files, only the first is read
args: prog.kel other.kel
--- file prog.kel
BEGIN WRITE 1 .
--- file other.kel
BEGIN WRITE 2 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### file: a missing second file is not reported
args: prog.kel missing.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### file: a missing first file is reported, the second one is not looked at
args: missing.kel prog.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
kel: File does not exist: 'missing.kel'
--- status 9

### file: an option right after the file prints the help
args: prog.kel -h
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)
(* flowers & bug reports to The kel team <kel-team@example.org> *)
syntax = "kel" { option } [ infile ] .
option = "-h"  (* show this info and exit *) .
--- status 9

### file: an invalid option right after the file is reported
args: prog.kel -x
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
kel: Invalid option: 'x'
--- status 9

### file: an option after a second file is ignored
args: prog.kel other.kel -x
--- file prog.kel
BEGIN WRITE 1 .
--- file other.kel
BEGIN WRITE 2 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### file: an empty file is an empty source
args: empty.kel
--- file empty.kel
\c
--- stdin
BEGIN WRITE 1 .
--- stderr
Prsr (1,1): Expected "BEGIN".
--- status 9

### file: a missing name given with ./
args: ./missing.kel
--- stderr
kel: File does not exist: './missing.kel'
--- status 9

### file: a name that starts with a blank is taken as it is
args: " prog.kel"
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
kel: File does not exist: ' prog.kel'
--- status 9

### file: a directory cannot be opened
args: sub
--- dir sub
--- stderr
Fatal error: cannot open 'sub': Is a directory.
--- status 9

### file: a path through a regular file does not exist
args: prog.kel/x
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
kel: File does not exist: 'prog.kel/x'
--- status 9

### empty parameters: '' alone reads stdin
args: ''
--- stdin
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### empty parameters: '' before the file is dropped
args: '' "" prog.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### empty parameters: '' after the file does not hide the option behind it
args: prog.kel '' -x
--- file prog.kel
BEGIN WRITE 1 .
--- stderr
kel: Invalid option: 'x'
--- status 9

### long name: a missing name of 300 characters shows its first 256
args: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc.kel
--- stderr
kel: File does not exist: 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccc'
--- status 9

### long name: a name of 100 characters of 3 bytes shows the 85 whole ones within 256 bytes
args: 中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中
--- stderr
kel: File does not exist: '中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中中'
--- status 9

### long name: an existing name of 300 characters is opened whole
args: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc.kel
--- file aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc.kel
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### long name: the first 256 characters naming a file do not make it exist
args: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc.kel
--- file aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccc
BEGIN WRITE 2 .
--- stderr
kel: File does not exist: 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb/cccccccccccccccccccccccccccccccccccccccccccccccccccccccc'
--- status 9
