Constant folding against emitted code. An operation with two constant
operands is computed while the source is compiled and costs no command; one
with a variable operand is emitted, with the constant pushed only when it
meets the variable. When the constant is the left operand it is pushed after
the variable, so the exchanged operation is taken (Bus, Vid, Gtr for "<" and
so on). The trace shows exactly which commands were handed over.

Folding uses the same checked arithmetic as the machine: overflow and a
divisor of 0 or less end the run while compiling, after the output so far.

### fold: 2 * 3 + 1 is stored as one value
--- stdin
VAR x : INTEGER; BEGIN x := 2 * 3 + 1; WRITE x .
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Wrt

### emit: x + 1 loads x, then pushes 1
--- stdin
VAR x : INTEGER; BEGIN x := 5; WRITE x + 1 .
--- stdout
6
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 5
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Add
Comp.DebugG:   22:  Wrt

### emit: 10 - x is Bus, the constant lies on top
--- stdin
VAR x : INTEGER; BEGIN x := 3; WRITE 10 - x .
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 3
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 10
Comp.DebugG:   20:  Bus
Comp.DebugG:   22:  Wrt

### emit: 100 / x is Vid, the constant lies on top
--- stdin
VAR x : INTEGER; BEGIN x := 7; WRITE 100 / x .
--- stdout
14
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 100
Comp.DebugG:   20:  Vid
Comp.DebugG:   22:  Wrt

### emit: a constant left of a relation takes the exchanged relation
--- stdin
VAR x : INTEGER; BEGIN x := 1;
WRITE 1 < x; WRITE 1 <= x; WRITE 1 > x; WRITE 1 >= x; WRITE 1 = x; WRITE 1 # x .
--- stdout
FALSE
TRUE
FALSE
TRUE
TRUE
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Gtr
Comp.DebugG:   22:  WrB
Comp.DebugG:   24:  Lod 0
Comp.DebugG:   29:  Val 1
Comp.DebugG:   34:  Geq
Comp.DebugG:   36:  WrB
Comp.DebugG:   38:  Lod 0
Comp.DebugG:   43:  Val 1
Comp.DebugG:   48:  Lss
Comp.DebugG:   50:  WrB
Comp.DebugG:   52:  Lod 0
Comp.DebugG:   57:  Val 1
Comp.DebugG:   62:  Leq
Comp.DebugG:   64:  WrB
Comp.DebugG:   66:  Lod 0
Comp.DebugG:   71:  Val 1
Comp.DebugG:   76:  Eql
Comp.DebugG:   78:  WrB
Comp.DebugG:   80:  Lod 0
Comp.DebugG:   85:  Val 1
Comp.DebugG:   90:  Neq
Comp.DebugG:   92:  WrB

### emit: x * y loads both in source order
--- stdin
VAR x : INTEGER; y : INTEGER; BEGIN x := 6; y := 7; WRITE x * y .
--- stdout
42
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 6
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Val 7
Comp.DebugG:   15:  Sto 1
Comp.DebugG:   20:  Lod 0
Comp.DebugG:   25:  Lod 1
Comp.DebugG:   30:  Mul
Comp.DebugG:   32:  Wrt

### emit: 2 * 3 + x folds the left part to 6
--- stdin
VAR x : INTEGER; BEGIN x := 1; WRITE 2 * 3 + x .
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 6
Comp.DebugG:   20:  Add
Comp.DebugG:   22:  Wrt

### emit: x + 1 + 2 is two additions, nothing is regrouped
--- stdin
VAR x : INTEGER; BEGIN x := 1; WRITE x + 1 + 2 .
--- stdout
4
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Add
Comp.DebugG:   22:  Val 2
Comp.DebugG:   27:  Add
Comp.DebugG:   29:  Wrt

### emit: 1 + 2 + x is one addition of 3
--- stdin
VAR x : INTEGER; BEGIN x := 1; WRITE 1 + 2 + x .
--- stdout
4
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 3
Comp.DebugG:   20:  Add
Comp.DebugG:   22:  Wrt

### emit: -x is Neg
--- stdin
VAR x : INTEGER; BEGIN x := 5; WRITE -x .
--- stdout
-5
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 5
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Neg
Comp.DebugG:   17:  Wrt

### emit: the sign applies to the whole first term, -x / 2 is -(x / 2)
--- stdin
VAR x : INTEGER; BEGIN x := 7; WRITE -x / 2 .
--- stdout
-3
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 2
Comp.DebugG:   20:  Div
Comp.DebugG:   22:  Neg
Comp.DebugG:   24:  Wrt

### emit: ~b is Not
--- stdin
VAR b : BOOLEAN; BEGIN WRITE ~b .
--- stdout
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Comp.DebugG:    5:  Not
Comp.DebugG:    7:  WrB

### fold: ~(1 < 2) is the constant FALSE
--- stdin
BEGIN WRITE ~(1 < 2) .
--- stdout
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 0
Comp.DebugG:    5:  WrB

### emit: a constant operand never short-cuts, FALSE & b and TRUE | b load b
--- stdin
VAR b : BOOLEAN; BEGIN b := TRUE; WRITE FALSE & b; WRITE TRUE | b .
--- stdout
FALSE
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 0
Comp.DebugG:   20:  And
Comp.DebugG:   22:  WrB
Comp.DebugG:   24:  Lod 0
Comp.DebugG:   29:  Val 1
Comp.DebugG:   34:  Or\x20
Comp.DebugG:   36:  WrB

### fold: floored division and the place of the sign
--- stdin
BEGIN WRITE -7 / 2; WRITE (-7) / 2; WRITE 0 - 7 / 2; WRITE 7 / 2; WRITE (-8) / 2 .
--- stdout
-3
-4
-3
3
-4
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -3
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val -4
Comp.DebugG:   12:  Wrt
Comp.DebugG:   14:  Val -3
Comp.DebugG:   19:  Wrt
Comp.DebugG:   21:  Val 3
Comp.DebugG:   26:  Wrt
Comp.DebugG:   28:  Val -4
Comp.DebugG:   33:  Wrt

### fold: -2147483647 - 1 gives the smallest INTEGER
--- stdin
BEGIN WRITE -2147483647 - 1 .
--- stdout
-2147483648
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483648
Comp.DebugG:    5:  Wrt

### fold: 2147483647 + 1 overflows while compiling, earlier output stays
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

### fold: the sign of the smallest INTEGER overflows
--- stdin
BEGIN WRITE 1; WRITE -(-2147483647 - 1) .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: Integer overflow.
--- status 9

### fold: -2147483647 - 2 overflows
--- stdin
BEGIN WRITE -2147483647 - 2 .
--- stderr
Fatal error: Integer overflow.
--- status 9

### fold: 65536 * 32768 overflows
--- stdin
BEGIN WRITE 65536 * 32768 .
--- stderr
Fatal error: Integer overflow.
--- status 9

### fold: overflow in a constant declaration ends the run before BEGIN
--- stdin
CONST big = 2147483647 + 1; BEGIN WRITE 1 .
--- stderr
Fatal error: Integer overflow.
--- status 9

### fold: 1 / 0 ends the run while compiling, earlier output stays
--- stdin
BEGIN WRITE 1; WRITE 1 / 0 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: Division by zero.
--- status 9

### fold: 1 / (0 - 1) is a negative divisor
--- stdin
BEGIN WRITE 1; WRITE 1 / (0 - 1) .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Fatal error: Negative divisor.
--- status 9

### fold: relations between Booleans, FALSE is less than TRUE
--- stdin
BEGIN WRITE TRUE > FALSE; WRITE FALSE >= TRUE; WRITE TRUE # FALSE;
WRITE TRUE <> FALSE; WRITE (1 < 2) = TRUE; WRITE ~~TRUE .
--- stdout
TRUE
FALSE
TRUE
TRUE
TRUE
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB
Comp.DebugG:    7:  Val 0
Comp.DebugG:   12:  WrB
Comp.DebugG:   14:  Val 1
Comp.DebugG:   19:  WrB
Comp.DebugG:   21:  Val 1
Comp.DebugG:   26:  WrB
Comp.DebugG:   28:  Val 1
Comp.DebugG:   33:  WrB
Comp.DebugG:   35:  Val 1
Comp.DebugG:   40:  WrB

### fold: a constant declared by a relation is a BOOLEAN
--- stdin
CONST t = 1 < 2;
VAR x : INTEGER; b : BOOLEAN;
BEGIN b := t; WRITE b; x := t .
--- stdout
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 1
Comp.DebugG:   10:  Lod 1
Comp.DebugG:   15:  WrB
Prsr (3,31): Incompatible types.
--- status 9

### fold: constants built from constants, CONST n = -5; m = n * 2;
--- stdin
CONST n = -5; m = n * 2;
BEGIN WRITE n; WRITE m .
--- stdout
-5
-10
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -5
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val -10
Comp.DebugG:   12:  Wrt
