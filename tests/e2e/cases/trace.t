The generation trace on the error output: one header line "Comp.DebugG:  pos"
before the first command, never again and never when no command is made;
then per command "Comp.DebugG: ", its code position right-aligned in 4
columns, ":  ", the mnemonic and, for Val, Lod and Sto, a blank and the
operand. Val, Lod and Sto take 5 bytes of code, an operation 2.

Positions with 4 digits (1022, 1024) are shown by the code store cases in
machine.t.

### header: declarations and empty statements write nothing at all
--- stdin
CONST a = 1; t = a < 2; VAR x : INTEGER; b : BOOLEAN; BEGIN ; ; .
--- status 0

### header: an error before the first command writes no header
--- stdin
VAR x : INTEGER; BEGIN ; x := TRUE .
--- stderr
Prsr (1,36): Incompatible types.
--- status 9

### header: written once, at the first command, after empty statements
--- stdin
VAR x : INTEGER; BEGIN ; ; x := 1; ; WRITE x; ; WRITE x .
--- stdout
1
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Wrt
Comp.DebugG:   17:  Lod 0
Comp.DebugG:   22:  Wrt

### line: a negative value keeps its sign, Val -5 at 35
--- stdin
BEGIN WRITE 1; WRITE 2; WRITE 3; WRITE 4; WRITE 5; WRITE -5 .
--- stdout
1
2
3
4
5
-5
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 2
Comp.DebugG:   12:  Wrt
Comp.DebugG:   14:  Val 3
Comp.DebugG:   19:  Wrt
Comp.DebugG:   21:  Val 4
Comp.DebugG:   26:  Wrt
Comp.DebugG:   28:  Val 5
Comp.DebugG:   33:  Wrt
Comp.DebugG:   35:  Val -5
Comp.DebugG:   40:  Wrt

### line: every operation's mnemonic at its position, "Or" with a blank
--- stdin
VAR x : INTEGER; y : INTEGER; a : BOOLEAN; b : BOOLEAN;
BEGIN x := 7; y := 2;
WRITE -x; WRITE x + y; WRITE x - y; WRITE x * y; WRITE x / y;
WRITE 1 - y; WRITE 1 / y;
a := x = y; WRITE x # y; WRITE x < y; WRITE x <= y; WRITE x > y; WRITE x >= y;
b := ~a; WRITE a | b; WRITE a & b .
--- stdout
-7
9
5
14
3
-1
0
TRUE
FALSE
FALSE
TRUE
TRUE
TRUE
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Val 2
Comp.DebugG:   15:  Sto 1
Comp.DebugG:   20:  Lod 0
Comp.DebugG:   25:  Neg
Comp.DebugG:   27:  Wrt
Comp.DebugG:   29:  Lod 0
Comp.DebugG:   34:  Lod 1
Comp.DebugG:   39:  Add
Comp.DebugG:   41:  Wrt
Comp.DebugG:   43:  Lod 0
Comp.DebugG:   48:  Lod 1
Comp.DebugG:   53:  Sub
Comp.DebugG:   55:  Wrt
Comp.DebugG:   57:  Lod 0
Comp.DebugG:   62:  Lod 1
Comp.DebugG:   67:  Mul
Comp.DebugG:   69:  Wrt
Comp.DebugG:   71:  Lod 0
Comp.DebugG:   76:  Lod 1
Comp.DebugG:   81:  Div
Comp.DebugG:   83:  Wrt
Comp.DebugG:   85:  Lod 1
Comp.DebugG:   90:  Val 1
Comp.DebugG:   95:  Bus
Comp.DebugG:   97:  Wrt
Comp.DebugG:   99:  Lod 1
Comp.DebugG:  104:  Val 1
Comp.DebugG:  109:  Vid
Comp.DebugG:  111:  Wrt
Comp.DebugG:  113:  Lod 0
Comp.DebugG:  118:  Lod 1
Comp.DebugG:  123:  Eql
Comp.DebugG:  125:  Sto 2
Comp.DebugG:  130:  Lod 0
Comp.DebugG:  135:  Lod 1
Comp.DebugG:  140:  Neq
Comp.DebugG:  142:  WrB
Comp.DebugG:  144:  Lod 0
Comp.DebugG:  149:  Lod 1
Comp.DebugG:  154:  Lss
Comp.DebugG:  156:  WrB
Comp.DebugG:  158:  Lod 0
Comp.DebugG:  163:  Lod 1
Comp.DebugG:  168:  Leq
Comp.DebugG:  170:  WrB
Comp.DebugG:  172:  Lod 0
Comp.DebugG:  177:  Lod 1
Comp.DebugG:  182:  Gtr
Comp.DebugG:  184:  WrB
Comp.DebugG:  186:  Lod 0
Comp.DebugG:  191:  Lod 1
Comp.DebugG:  196:  Geq
Comp.DebugG:  198:  WrB
Comp.DebugG:  200:  Lod 2
Comp.DebugG:  205:  Not
Comp.DebugG:  207:  Sto 3
Comp.DebugG:  212:  Lod 2
Comp.DebugG:  217:  Lod 3
Comp.DebugG:  222:  Or\x20
Comp.DebugG:  224:  WrB
Comp.DebugG:  226:  Lod 2
Comp.DebugG:  231:  Lod 3
Comp.DebugG:  236:  And
Comp.DebugG:  238:  WrB
