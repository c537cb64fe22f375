The run-time layer seen from outside: line ends, output that must survive an
error, failing standard channels (a failed write never ends in status 0),
and the fatal run-time errors of checked arithmetic. Wine puts files of its own
on closed descriptors 0-2 before kel.exe starts, so the cases where that shows
are for POSIX only.

### line ends: CR LF on both channels, up to the error line
--- stdin
VAR b : BOOLEAN; BEGIN
  WRITE -5; WRITE TRUE; b := 1 < 2; WRITE b; WRITE 0
  WRITE 1 .
--- stdout
-5
TRUE
TRUE
0
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -5
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 1
Comp.DebugG:   12:  WrB
Comp.DebugG:   14:  Val 1
Comp.DebugG:   19:  Sto 0
Comp.DebugG:   24:  Lod 0
Comp.DebugG:   29:  WrB
Comp.DebugG:   31:  Val 0
Comp.DebugG:   36:  Wrt
Prsr (3,3): Expected ";" or ".".
--- status 9

### error output: a program that generates no command writes nothing
--- stdin
CONST c = 2 * 3; VAR x : INTEGER; BEGIN ; ; .
--- status 0

### channels: stdout full with a WRITE fails with status 9
stdout: full
--- stdin
BEGIN WRITE 1; WRITE 2 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: cannot write standard output: No space left on device.
--- status 9

### channels: stdout full with the only WRITE last still fails at the end
stdout: full
--- stdin
BEGIN WRITE 1 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: cannot write standard output: No space left on device.
--- status 9

### channels: stdout full without a WRITE is no failure
stdout: full
--- stdin
VAR x : INTEGER; BEGIN x := 1 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
--- status 0

### channels: stdout closed with a WRITE fails with status 9
stdout: closed
--- stdin
BEGIN WRITE 1 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: cannot write standard output: Bad file descriptor.
--- status 9

### channels: stdout closed without a WRITE is no failure
stdout: closed
--- stdin
BEGIN .
--- status 0

### channels: stderr full under a trace fails with status 9
stderr: full
--- stdin
VAR x : INTEGER; BEGIN x := 1 .
--- status 9

### channels: stderr closed under a trace fails with status 9
stderr: closed
--- stdin
VAR x : INTEGER; BEGIN x := 1 .
--- status 9

### channels: stderr full without anything to say is no failure
stderr: full
--- stdin
BEGIN ; .
--- status 0

### channels: stdout and stderr both closed still give status 9
only: posix
stdout: closed
stderr: closed
--- stdin
BEGIN WRITE 1 .
--- status 9

### channels: stdin closed is a read failure, not an empty source
only: posix
stdin: closed
--- stderr
Fatal error: cannot read standard input: Bad file descriptor.
--- status 9

### channels: stdin closed does not matter when a file is named
stdin: closed
args: prog.kel
--- file prog.kel
BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### channels: stdin closed and stdout closed, the read failure is reported
only: posix
stdin: closed
stdout: closed
--- stderr
Fatal error: cannot read standard input: Bad file descriptor.
--- status 9

### overflow: folding 2147483647 + 1
--- stdin
BEGIN WRITE 2147483647 + 1 .
--- stderr
Fatal error: Integer overflow.
--- status 9

### overflow: folding a product
--- stdin
BEGIN WRITE 65536 * 32768 .
--- stderr
Fatal error: Integer overflow.
--- status 9

### overflow: the sign covers the whole term, so -65536 * 32768 overflows first
--- stdin
BEGIN WRITE -65536 * 32768 .
--- stderr
Fatal error: Integer overflow.
--- status 9

### overflow: (-65536) * 32768 is exactly the smallest value
--- stdin
BEGIN WRITE (-65536) * 32768 .
--- stdout
-2147483648
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483648
Comp.DebugG:    5:  Wrt

### overflow: folding the negation of the smallest value
--- stdin
BEGIN WRITE -(-2147483647 - 1) .
--- stderr
Fatal error: Integer overflow.
--- status 9

### overflow: in a constant declaration, before any command
--- stdin
CONST big = 2147483647; bigger = big + 1; BEGIN .
--- stderr
Fatal error: Integer overflow.
--- status 9

### overflow: at run time, after earlier output, which stays
--- stdin
VAR x : INTEGER; BEGIN x := 2147483647; WRITE x; WRITE x + 1; WRITE 5 .
--- stdout
2147483647
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2147483647
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Wrt
Comp.DebugG:   17:  Lod 0
Comp.DebugG:   22:  Val 1
Comp.DebugG:   27:  Add
Fatal error: Integer overflow.
--- status 9

### overflow: run-time product, one below and at the limit
--- stdin
VAR x : INTEGER; BEGIN x := 65536; WRITE x * 32767; WRITE x * 32768 .
--- stdout
2147418112
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 65536
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 32767
Comp.DebugG:   20:  Mul
Comp.DebugG:   22:  Wrt
Comp.DebugG:   24:  Lod 0
Comp.DebugG:   29:  Val 32768
Comp.DebugG:   34:  Mul
Fatal error: Integer overflow.
--- status 9

### overflow: run-time negation of the smallest value, which was written in full
--- stdin
VAR x : INTEGER; BEGIN x := -2147483647; x := x - 1; WRITE x; WRITE -x .
--- stdout
-2147483648
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483647
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Sub
Comp.DebugG:   22:  Sto 0
Comp.DebugG:   27:  Lod 0
Comp.DebugG:   32:  Wrt
Comp.DebugG:   34:  Lod 0
Comp.DebugG:   39:  Neg
Fatal error: Integer overflow.
--- status 9

### overflow: run-time subtraction with the operands exchanged (0 - x)
--- stdin
VAR x : INTEGER; BEGIN x := -2147483647 - 1; WRITE 0 - x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483648
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 0
Comp.DebugG:   20:  Bus
Fatal error: Integer overflow.
--- status 9

### smallest value: -2147483647 - 1 folded and written in full
--- stdin
BEGIN WRITE -2147483647 - 1 .
--- stdout
-2147483648
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483648
Comp.DebugG:    5:  Wrt

### divisor: a negative one while folding is a fatal error
--- stdin
BEGIN WRITE 7 / (0 - 1) .
--- stderr
Fatal error: Negative divisor.
--- status 9

### divisor: zero while folding is a fatal error
--- stdin
BEGIN WRITE 7 / 0 .
--- stderr
Fatal error: Division by zero.
--- status 9

### divisor: a negative one at run time is a fatal error after earlier output
--- stdin
VAR x : INTEGER; BEGIN x := 7; WRITE x; WRITE x / (0 - 1) .
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Wrt
Comp.DebugG:   17:  Lod 0
Comp.DebugG:   22:  Val -1
Comp.DebugG:   27:  Div
Fatal error: Negative divisor.
--- status 9

### fatal error: a folding overflow after earlier output keeps that output
--- stdin
BEGIN WRITE 1; WRITE 2147483647 + 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: Integer overflow.
--- status 9
