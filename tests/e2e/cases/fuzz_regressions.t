Regression cases from fuzzing (fuzz/run). Each source is an input the fuzzer found or one
cut down from it; the expected output was checked by hand against the language as doc/language.md
describes it, and against the fuzzer's own model of the language.

### fuzz: a relation inside the right operand of + leaves a BOOLEAN where an INTEGER is due
--- stdin
VAR x : INTEGER;
BEGIN x := 1; WRITE x + (x < + (x + 1)) .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Lod 0
Comp.DebugG:   20:  Lod 0
Comp.DebugG:   25:  Val 1
Comp.DebugG:   30:  Add
Comp.DebugG:   32:  Lss
Prsr (2,41): Wrong operand type.
--- status 9

### fuzz: run-time quotients of negative values are floored, also twice in a row
--- stdin
VAR x : INTEGER; BEGIN
x := -7; WRITE x / 2 / 2; x :=  -8; WRITE x / 2; x := 0; WRITE x / 5;
2:.\c
--- stdout
-2
-4
0
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val -7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 2
Comp.DebugG:   20:  Div
Comp.DebugG:   22:  Val 2
Comp.DebugG:   27:  Div
Comp.DebugG:   29:  Wrt
Comp.DebugG:   31:  Val -8
Comp.DebugG:   36:  Sto 0
Comp.DebugG:   41:  Lod 0
Comp.DebugG:   46:  Val 2
Comp.DebugG:   51:  Div
Comp.DebugG:   53:  Wrt
Comp.DebugG:   55:  Val 0
Comp.DebugG:   60:  Sto 0
Comp.DebugG:   65:  Lod 0
Comp.DebugG:   70:  Val 5
Comp.DebugG:   75:  Div
Comp.DebugG:   77:  Wrt
Prsr (3,1): Expected ";" or ".".
--- status 9

### fuzz: Boolean operations on variables between stray bytes
--- stdin
\xff\xffVAR a : BOOLEAN; b : BOOLEAN;
BEGIN a :=  a & b; WRITE a | b; WRITE ~b; WRITE ~~a; WRITE FALSE &b; WRITE ~~a;\x1fWRITE FALSE & a; WRITE\xff\xff\x80\x00E
--- stdout
FALSE
TRUE
FALSE
FALSE
FALSE
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Comp.DebugG:    5:  Lod 1
Comp.DebugG:   10:  And
Comp.DebugG:   12:  Sto 0
Comp.DebugG:   17:  Lod 0
Comp.DebugG:   22:  Lod 1
Comp.DebugG:   27:  Or\x20
Comp.DebugG:   29:  WrB
Comp.DebugG:   31:  Lod 1
Comp.DebugG:   36:  Not
Comp.DebugG:   38:  WrB
Comp.DebugG:   40:  Lod 0
Comp.DebugG:   45:  Not
Comp.DebugG:   47:  Not
Comp.DebugG:   49:  WrB
Comp.DebugG:   51:  Lod 1
Comp.DebugG:   56:  Val 0
Comp.DebugG:   61:  And
Comp.DebugG:   63:  WrB
Comp.DebugG:   65:  Lod 0
Comp.DebugG:   70:  Not
Comp.DebugG:   72:  Not
Comp.DebugG:   74:  WrB
Comp.DebugG:   76:  Lod 0
Comp.DebugG:   81:  Val 0
Comp.DebugG:   86:  And
Comp.DebugG:   88:  WrB
Prsr (2,107): Identifier undeclared.
--- status 9

### fuzz: NUL and control bytes between WRITE and its operand, then a second relation
--- stdin
BEGIN\x10WRITE 1<=1; WRITE\x001<=1; WRITE\x0011<=1#
1
--- stdout
TRUE
TRUE
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB
Comp.DebugG:    7:  Val 1
Comp.DebugG:   12:  WrB
Comp.DebugG:   14:  Val 0
Comp.DebugG:   19:  WrB
Prsr (1,42): Expected ";" or ".".
--- status 9
