What differs on Windows: every "/" parameter is an option, names may hold a
drive letter, backslashes and any Unicode character (which must not be
mistaken for its nearest ANSI character), and NUL is a device. A file that
must be the one opened holds "BEGIN .": no output, status 0. kel-e2e --wine
runs these against kel.exe; $DIR is then the scratch directory's Windows name
(Z:\...). Pipes, interrupts and console events are in tests/windows/run.

### slash: /x is an invalid option
only: windows
args: /x
--- stderr
kel: Invalid option: 'x'
--- status 9

### slash: /H is an option, and case matters
only: windows
args: /H
--- stderr
kel: Invalid option: 'H'
--- status 9

### slash: an absolute POSIX name is an option
only: windows
args: /tmp/prog.kel
--- stderr
kel: Invalid option: 'tmp/prog.kel'
--- status 9

### slash: / alone is a name, the root of the drive
only: windows
args: /
--- stderr
Fatal error: cannot open '/': Is a directory.
--- status 9

### names: a drive letter and backslashes
only: windows
args: "$DIR\\sub\\prog.kel"
--- file sub/prog.kel
BEGIN .

### names: a missing name with backslashes is shown as given
only: windows
args: sub\\missing.kel
--- dir sub
--- stderr
kel: File does not exist: 'sub\\missing.kel'
--- status 9

### names: a directory named with a trailing backslash
only: windows
args: sub\\
--- dir sub
--- stderr
Fatal error: cannot open 'sub\\': Is a directory.
--- status 9

### names: a non-ASCII name opens that file, not its best-fit twin
only: windows
args: Ā.kel
--- file Ā.kel
BEGIN .
--- file A.kel
BEGIN WRITE 2 .

### names: a character beyond 16 bits (a surrogate pair in UTF-16)
only: windows
args: 😀.kel
--- file 😀.kel
BEGIN .

### names: a missing non-ASCII name is shown as given
only: windows
args: Ā😀.kel
--- stderr
kel: File does not exist: 'Ā😀.kel'
--- status 9

### names: a name of more than 260 characters
only: windows
args: dddddddddddddddddddddddddddddddddddddddddddddddddddddddd\\dddddddddddddddddddddddddddddddddddddddddddddddddddddddd\\dddddddddddddddddddddddddddddddddddddddddddddddddddddddd\\dddddddddddddddddddddddddddddddddddddddddddddddddddddddd\\dddddddddddddddddddddddddddddddddddddddddddddddddddddddd\\prog.kel
--- file dddddddddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddddddddd/dddddddddddddddddddddddddddddddddddddddddddddddddddddddd/prog.kel
BEGIN .

### names: NUL is the null device, an empty source
only: windows
args: NUL
--- stderr
Prsr (1,1): Expected "BEGIN".
--- status 9

### line ends: CR LF in the source, CR LF once in the output
only: windows
args: prog.kel
--- file prog.kel
BEGIN\r
  WRITE 6 * 7\r
.\r
--- stdout
42
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 42
Comp.DebugG:    5:  Wrt
