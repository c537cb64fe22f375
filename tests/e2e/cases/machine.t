The virtual machine at run time: every operation with a variable operand runs
on the evaluation stack as soon as the parser emits it. Division tests the
divisor for 0 (the machine's own "Comp: Division by zero.") and then for a
negative value (a fatal error); quotients are floored; overflow is a fatal
error, never wrapped. The stack holds 32 values and the code store 1024
bytes for the whole program. Output written before an error stays.

### divide: a variable divided by 0 is the machine's Division by zero
--- stdin
VAR x : INTEGER; BEGIN WRITE x / 0 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Comp.DebugG:    5:  Val 0
Comp.DebugG:   10:  Div
Comp: Division by zero.
--- status 9

### divide: a constant divided by a variable holding 0, through Vid
--- stdin
VAR x : INTEGER; BEGIN WRITE 5 / x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Comp.DebugG:    5:  Val 5
Comp.DebugG:   10:  Vid
Comp: Division by zero.
--- status 9

### divide: a negative variable divisor in Div
--- stdin
VAR x : INTEGER; y : INTEGER; BEGIN x := 7; y := -2; WRITE x / y .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Val -2
Comp.DebugG:   15:  Sto 1
Comp.DebugG:   20:  Lod 0
Comp.DebugG:   25:  Lod 1
Comp.DebugG:   30:  Div
Fatal error: Negative divisor.
--- status 9

### divide: a negative variable divisor in Vid
--- stdin
VAR x : INTEGER; BEGIN x := -1; WRITE 5 / x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 5
Comp.DebugG:   20:  Vid
Fatal error: Negative divisor.
--- status 9

### divide: quotients are floored at run time, in Div and in Vid
--- stdin
VAR x : INTEGER; BEGIN
x := -7; WRITE x / 2; x := -8; WRITE x / 2; x := 0; WRITE x / 5;
x := 3; WRITE 10 / x; WRITE (-7) / x; WRITE -7 / x .
--- stdout
-4
-4
0
3
-3
-2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 2
Comp.DebugG:   20:  Div
Comp.DebugG:   22:  Wrt
Comp.DebugG:   24:  Val -8
Comp.DebugG:   29:  Sto 0
Comp.DebugG:   34:  Lod 0
Comp.DebugG:   39:  Val 2
Comp.DebugG:   44:  Div
Comp.DebugG:   46:  Wrt
Comp.DebugG:   48:  Val 0
Comp.DebugG:   53:  Sto 0
Comp.DebugG:   58:  Lod 0
Comp.DebugG:   63:  Val 5
Comp.DebugG:   68:  Div
Comp.DebugG:   70:  Wrt
Comp.DebugG:   72:  Val 3
Comp.DebugG:   77:  Sto 0
Comp.DebugG:   82:  Lod 0
Comp.DebugG:   87:  Val 10
Comp.DebugG:   92:  Vid
Comp.DebugG:   94:  Wrt
Comp.DebugG:   96:  Lod 0
Comp.DebugG:  101:  Val -7
Comp.DebugG:  106:  Vid
Comp.DebugG:  108:  Wrt
Comp.DebugG:  110:  Lod 0
Comp.DebugG:  115:  Val 7
Comp.DebugG:  120:  Vid
Comp.DebugG:  122:  Neg
Comp.DebugG:  124:  Wrt

### exchanged: 5 - x is Bus, 12 / x is Vid, 1 < x is Gtr
--- stdin
VAR x : INTEGER; BEGIN x := 3; WRITE 5 - x; x := 5; WRITE 12 / x; x := 3; WRITE 1 < x .
--- stdout
2
2
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 3
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 5
Comp.DebugG:   20:  Bus
Comp.DebugG:   22:  Wrt
Comp.DebugG:   24:  Val 5
Comp.DebugG:   29:  Sto 0
Comp.DebugG:   34:  Lod 0
Comp.DebugG:   39:  Val 12
Comp.DebugG:   44:  Vid
Comp.DebugG:   46:  Wrt
Comp.DebugG:   48:  Val 3
Comp.DebugG:   53:  Sto 0
Comp.DebugG:   58:  Lod 0
Comp.DebugG:   63:  Val 1
Comp.DebugG:   68:  Gtr
Comp.DebugG:   70:  WrB

### overflow: results that reach the limits exactly are no overflow
--- stdin
VAR x : INTEGER; y : INTEGER; BEGIN
x := 2147483646; WRITE x + 1; y := 1; WRITE -2147483647 - y;
x := 2147483647; WRITE -x; x := -1073741824; WRITE x * 2 .
--- stdout
2147483647
-2147483648
-2147483647
-2147483648
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2147483646
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Add
Comp.DebugG:   22:  Wrt
Comp.DebugG:   24:  Val 1
Comp.DebugG:   29:  Sto 1
Comp.DebugG:   34:  Lod 1
Comp.DebugG:   39:  Val -2147483647
Comp.DebugG:   44:  Bus
Comp.DebugG:   46:  Wrt
Comp.DebugG:   48:  Val 2147483647
Comp.DebugG:   53:  Sto 0
Comp.DebugG:   58:  Lod 0
Comp.DebugG:   63:  Neg
Comp.DebugG:   65:  Wrt
Comp.DebugG:   67:  Val -1073741824
Comp.DebugG:   72:  Sto 0
Comp.DebugG:   77:  Lod 0
Comp.DebugG:   82:  Val 2
Comp.DebugG:   87:  Mul
Comp.DebugG:   89:  Wrt

### overflow: Add
--- stdin
VAR x : INTEGER; BEGIN x := 2147483647; WRITE x + 1 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2147483647
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Add
Fatal error: Integer overflow.
--- status 9

### overflow: Sub
--- stdin
VAR x : INTEGER; BEGIN x := -2147483647; WRITE x - 2 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483647
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 2
Comp.DebugG:   20:  Sub
Fatal error: Integer overflow.
--- status 9

### overflow: Mul
--- stdin
VAR x : INTEGER; BEGIN x := 65536; WRITE x * x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 65536
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Lod 0
Comp.DebugG:   20:  Mul
Fatal error: Integer overflow.
--- status 9

### overflow: Neg of the smallest INTEGER
--- stdin
VAR x : INTEGER; BEGIN x := -2147483647 - 1; WRITE -x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -2147483648
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Neg
Fatal error: Integer overflow.
--- status 9

### overflow: Bus
--- stdin
VAR x : INTEGER; BEGIN x := 1; WRITE -2147483647 - 1 - x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val -2147483648
Comp.DebugG:   20:  Bus
Fatal error: Integer overflow.
--- status 9

### boolean: And, Or, Not and relations on Boolean variables
--- stdin
VAR a : BOOLEAN; b : BOOLEAN; BEGIN a := TRUE;
WRITE a & b; WRITE a | b; WRITE ~a; WRITE a = b; WRITE b < a; b := a; WRITE a & b .
--- stdout
FALSE
TRUE
FALSE
FALSE
TRUE
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Lod 1
Comp.DebugG:   20:  And
Comp.DebugG:   22:  WrB
Comp.DebugG:   24:  Lod 0
Comp.DebugG:   29:  Lod 1
Comp.DebugG:   34:  Or\x20
Comp.DebugG:   36:  WrB
Comp.DebugG:   38:  Lod 0
Comp.DebugG:   43:  Not
Comp.DebugG:   45:  WrB
Comp.DebugG:   47:  Lod 0
Comp.DebugG:   52:  Lod 1
Comp.DebugG:   57:  Eql
Comp.DebugG:   59:  WrB
Comp.DebugG:   61:  Lod 1
Comp.DebugG:   66:  Lod 0
Comp.DebugG:   71:  Lss
Comp.DebugG:   73:  WrB
Comp.DebugG:   75:  Lod 0
Comp.DebugG:   80:  Sto 1
Comp.DebugG:   85:  Lod 0
Comp.DebugG:   90:  Lod 1
Comp.DebugG:   95:  And
Comp.DebugG:   97:  WrB

### variables: never assigned, an INTEGER writes 0 and a BOOLEAN FALSE
--- stdin
VAR x : INTEGER; b : BOOLEAN; BEGIN WRITE x; WRITE b .
--- stdout
0
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Lod 1
Comp.DebugG:   12:  WrB

### stack: 32 values pending run
--- stdin
VAR x : INTEGER; BEGIN x := 1; WRITE \R{31}{x + (}x\R{31}{)} .
--- stdout
32
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Lod 0
Comp.DebugG:   20:  Lod 0
Comp.DebugG:   25:  Lod 0
Comp.DebugG:   30:  Lod 0
Comp.DebugG:   35:  Lod 0
Comp.DebugG:   40:  Lod 0
Comp.DebugG:   45:  Lod 0
Comp.DebugG:   50:  Lod 0
Comp.DebugG:   55:  Lod 0
Comp.DebugG:   60:  Lod 0
Comp.DebugG:   65:  Lod 0
Comp.DebugG:   70:  Lod 0
Comp.DebugG:   75:  Lod 0
Comp.DebugG:   80:  Lod 0
Comp.DebugG:   85:  Lod 0
Comp.DebugG:   90:  Lod 0
Comp.DebugG:   95:  Lod 0
Comp.DebugG:  100:  Lod 0
Comp.DebugG:  105:  Lod 0
Comp.DebugG:  110:  Lod 0
Comp.DebugG:  115:  Lod 0
Comp.DebugG:  120:  Lod 0
Comp.DebugG:  125:  Lod 0
Comp.DebugG:  130:  Lod 0
Comp.DebugG:  135:  Lod 0
Comp.DebugG:  140:  Lod 0
Comp.DebugG:  145:  Lod 0
Comp.DebugG:  150:  Lod 0
Comp.DebugG:  155:  Lod 0
Comp.DebugG:  160:  Lod 0
Comp.DebugG:  165:  Lod 0
Comp.DebugG:  170:  Add
Comp.DebugG:  172:  Add
Comp.DebugG:  174:  Add
Comp.DebugG:  176:  Add
Comp.DebugG:  178:  Add
Comp.DebugG:  180:  Add
Comp.DebugG:  182:  Add
Comp.DebugG:  184:  Add
Comp.DebugG:  186:  Add
Comp.DebugG:  188:  Add
Comp.DebugG:  190:  Add
Comp.DebugG:  192:  Add
Comp.DebugG:  194:  Add
Comp.DebugG:  196:  Add
Comp.DebugG:  198:  Add
Comp.DebugG:  200:  Add
Comp.DebugG:  202:  Add
Comp.DebugG:  204:  Add
Comp.DebugG:  206:  Add
Comp.DebugG:  208:  Add
Comp.DebugG:  210:  Add
Comp.DebugG:  212:  Add
Comp.DebugG:  214:  Add
Comp.DebugG:  216:  Add
Comp.DebugG:  218:  Add
Comp.DebugG:  220:  Add
Comp.DebugG:  222:  Add
Comp.DebugG:  224:  Add
Comp.DebugG:  226:  Add
Comp.DebugG:  228:  Add
Comp.DebugG:  230:  Add
Comp.DebugG:  232:  Wrt

### stack: the 33rd pending value is a stack overflow
--- stdin
VAR x : INTEGER; BEGIN x := 1; WRITE \R{32}{x + (}x\R{32}{)} .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Lod 0
Comp.DebugG:   20:  Lod 0
Comp.DebugG:   25:  Lod 0
Comp.DebugG:   30:  Lod 0
Comp.DebugG:   35:  Lod 0
Comp.DebugG:   40:  Lod 0
Comp.DebugG:   45:  Lod 0
Comp.DebugG:   50:  Lod 0
Comp.DebugG:   55:  Lod 0
Comp.DebugG:   60:  Lod 0
Comp.DebugG:   65:  Lod 0
Comp.DebugG:   70:  Lod 0
Comp.DebugG:   75:  Lod 0
Comp.DebugG:   80:  Lod 0
Comp.DebugG:   85:  Lod 0
Comp.DebugG:   90:  Lod 0
Comp.DebugG:   95:  Lod 0
Comp.DebugG:  100:  Lod 0
Comp.DebugG:  105:  Lod 0
Comp.DebugG:  110:  Lod 0
Comp.DebugG:  115:  Lod 0
Comp.DebugG:  120:  Lod 0
Comp.DebugG:  125:  Lod 0
Comp.DebugG:  130:  Lod 0
Comp.DebugG:  135:  Lod 0
Comp.DebugG:  140:  Lod 0
Comp.DebugG:  145:  Lod 0
Comp.DebugG:  150:  Lod 0
Comp.DebugG:  155:  Lod 0
Comp.DebugG:  160:  Lod 0
Comp.DebugG:  165:  Lod 0
Comp.DebugG:  170:  Lod 0
Comp: Stack overflow.
--- status 9

### store: 146 statements of 7 bytes fill 1022 bytes and run
--- stdin
BEGIN \R{146}{WRITE 1; } .
--- stdout
\R{145}{1\r\n}1
--- stderr
Comp.DebugG:  pos
\R{145}{\T{Val 1}\T{Wrt}}\c
Comp.DebugG: 1015:  Val 1
Comp.DebugG: 1020:  Wrt

### store: the 147th statement's operand does not fit, after 146 values
--- stdin
BEGIN \R{147}{WRITE 1; } .
--- stdout
\R{145}{1\r\n}1
--- stderr
Comp.DebugG:  pos
\R{146}{\T{Val 1}\T{Wrt}}\c
Comp.DebugG: 1022:  Val 1
Comp: Program too large.
--- status 9

### store: exactly 1024 bytes run, the next command stands at 1024
--- stdin
VAR b : BOOLEAN; BEGIN \R{145}{WRITE 1; } WRITE ~b; WRITE 2 .
--- stdout
\R{145}{1\r\n}TRUE
--- stderr
Comp.DebugG:  pos
\R{145}{\T{Val 1}\T{Wrt}}\c
Comp.DebugG: 1015:  Lod 0
Comp.DebugG: 1020:  Not
Comp.DebugG: 1022:  WrB
Comp.DebugG: 1024:  Val 2
Comp: Program too large.
--- status 9

### error: output of earlier statements stays before a run-time error
--- stdin
VAR x : INTEGER; BEGIN WRITE 1; WRITE 2; WRITE 3 / x; WRITE 4 .
--- stdout
1
2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 2
Comp.DebugG:   12:  Wrt
Comp.DebugG:   14:  Lod 0
Comp.DebugG:   19:  Val 3
Comp.DebugG:   24:  Vid
Comp: Division by zero.
--- status 9
