Parser: program structure, declarations, statements and the messages of
expressions. A parser error names the line and column of the token that is
current when the error is found, ends the run with status 9, and keeps all
output and trace lines written before it.

The source comes on standard input; every stdin line ends with LF, so a
source of one line ends with the end marker at (2,1).


### structure: the smallest program prints nothing at all
--- stdin
BEGIN.
--- status 0

### structure: empty statements between semicolons and before the full stop
--- stdin
BEGIN ; ; WRITE 1 ; .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### structure: the constant and variable parts may be empty
--- stdin
CONST VAR BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### structure: the typical path, six commands at 0, 5, 10, 15, 20, 22
--- stdin
VAR x : INTEGER; BEGIN x := 6 * 7; WRITE x > 40 .
--- stdout
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 42
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Val 40
Comp.DebugG:   20:  Gtr
Comp.DebugG:   22:  WrB

### structure: variables take slots 0, 1, 2 in order, constants take none
--- stdin
CONST a = 1; b = TRUE;
VAR x : INTEGER; y : BOOLEAN; z : INTEGER;
BEGIN z := a; y := b; x := z + a; WRITE x; WRITE y; WRITE z .
--- stdout
2
TRUE
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 2
Comp.DebugG:   10:  Val 1
Comp.DebugG:   15:  Sto 1
Comp.DebugG:   20:  Lod 2
Comp.DebugG:   25:  Val 1
Comp.DebugG:   30:  Add
Comp.DebugG:   32:  Sto 0
Comp.DebugG:   37:  Lod 0
Comp.DebugG:   42:  Wrt
Comp.DebugG:   44:  Lod 1
Comp.DebugG:   49:  WrB
Comp.DebugG:   51:  Lod 2
Comp.DebugG:   56:  Wrt

### structure: nothing after the final full stop is read
--- stdin
BEGIN WRITE 1 . , @ $ ! 99999999999 _
"garbage
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### structure: an unterminated comment after the final full stop is not read
--- stdin
BEGIN WRITE 1 . (* never closed
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### begin: the first token, on its own line and column
--- stdin

  WRITE 1 .
--- stderr
Prsr (2,3): Expected "BEGIN".
--- status 9

### begin: the first token after the declaration parts
--- stdin
CONST a = 1;
VAR x : INTEGER;
WRITE x .
--- stderr
Prsr (3,1): Expected "BEGIN".
--- status 9

### begin: the end of the source after the declaration parts
--- stdin
CONST a = 1;
--- stderr
Prsr (2,1): Expected "BEGIN".
--- status 9

### begin: a variable part before the constant part, at CONST
--- stdin
VAR x : INTEGER; CONST a = 1; BEGIN .
--- stderr
Prsr (1,18): Expected "BEGIN".
--- status 9

### begin: a keyword cannot be declared, the variable part ends at it
--- stdin
VAR WRITE : INTEGER; BEGIN .
--- stderr
Prsr (1,5): Expected "BEGIN".
--- status 9

### sequence: missing ";" after the first statement has printed
--- stdin
BEGIN WRITE 1 WRITE 2 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (1,15): Expected ";" or ".".
--- status 9

### sequence: a number in place of a statement, at the number
--- stdin
BEGIN 5 .
--- stderr
Prsr (1,7): Expected ";" or ".".
--- status 9

### sequence: the end of the source without the full stop, after a line end
--- stdin
BEGIN WRITE 1
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (2,1): Expected ";" or ".".
--- status 9

### sequence: the end of the source without the full stop, without a line end
--- stdin
BEGIN WRITE 1;\c
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (1,15): Expected ";" or ".".
--- status 9

### sequence: a second relation after WRITE is left to the statement sequence
--- stdin
BEGIN WRITE 1 < 2 < 3 .
--- stdout
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB
Prsr (1,19): Expected ";" or ".".
--- status 9

### statement: an undeclared identifier begins an assignment
--- stdin
BEGIN y := 1 .
--- stderr
Prsr (1,7): Identifier undeclared.
--- status 9

### statement: assigning to a constant is "Not a variable"
--- stdin
CONST c = 1; BEGIN c := 2 .
--- stderr
Prsr (1,20): Not a variable.
--- status 9

### statement: TRUE is "Not a variable", found before ":=" is looked at
--- stdin
BEGIN TRUE = 1 .
--- stderr
Prsr (1,7): Not a variable.
--- status 9

### statement: INTEGER is "Not a variable"
--- stdin
BEGIN INTEGER := 1 .
--- stderr
Prsr (1,7): Not a variable.
--- status 9

### statement: "=" in place of ":="
--- stdin
VAR x : INTEGER; BEGIN x = 1 .
--- stderr
Prsr (1,26): Expected ":=".
--- status 9

### statement: BOOLEAN into INTEGER after the expression's commands ran
--- stdin
VAR x : INTEGER; y : INTEGER; BEGIN y := 4; x := y > 3 .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 4
Comp.DebugG:    5:  Sto 1
Comp.DebugG:   10:  Lod 1
Comp.DebugG:   15:  Val 3
Comp.DebugG:   20:  Gtr
Prsr (1,56): Incompatible types.
--- status 9

### statement: a constant INTEGER into BOOLEAN is refused before it is pushed
--- stdin
VAR b : BOOLEAN; BEGIN b := 1 ; .
--- stderr
Prsr (1,31): Incompatible types.
--- status 9

### declaration: a constant named like a predeclared constant
--- stdin
CONST TRUE = 1; BEGIN .
--- stderr
Prsr (1,7): Identifier redeclared.
--- status 9

### declaration: a variable named like a predeclared type
--- stdin
VAR INTEGER : BOOLEAN; BEGIN .
--- stderr
Prsr (1,5): Identifier redeclared.
--- status 9

### declaration: the second of two constants with one name
--- stdin
CONST a = 1; a = 2; BEGIN .
--- stderr
Prsr (1,14): Identifier redeclared.
--- status 9

### declaration: a variable named like a constant
--- stdin
CONST a = 1; VAR a : INTEGER; BEGIN .
--- stderr
Prsr (1,18): Identifier redeclared.
--- status 9

### declaration: the second of two variables with one name
--- stdin
VAR x : INTEGER; x : BOOLEAN; BEGIN .
--- stderr
Prsr (1,18): Identifier redeclared.
--- status 9

### declaration: a constant is not visible in its own expression
--- stdin
CONST a = a; BEGIN .
--- stderr
Prsr (1,11): Identifier undeclared.
--- status 9

### declaration: a variable's own name is no type
--- stdin
VAR x : x; BEGIN .
--- stderr
Prsr (1,9): Identifier undeclared.
--- status 9

### declaration: type names are case-sensitive
--- stdin
VAR x : integer; BEGIN .
--- stderr
Prsr (1,9): Identifier undeclared.
--- status 9

### declaration: ":=" in a constant declaration
--- stdin
CONST a := 1; BEGIN .
--- stderr
Prsr (1,9): Expected "=".
--- status 9

### declaration: missing ";" after a constant's expression
--- stdin
CONST a = 1 b = 2; BEGIN .
--- stderr
Prsr (1,13): Expected ";".
--- status 9

### declaration: missing ";" after a variable's type name
--- stdin
VAR x : INTEGER y : INTEGER; BEGIN .
--- stderr
Prsr (1,17): Expected ";".
--- status 9

### declaration: missing ":" in a variable declaration
--- stdin
VAR x INTEGER; BEGIN .
--- stderr
Prsr (1,7): Expected ":".
--- status 9

### declaration: a number in place of the type name
--- stdin
VAR x : 5; BEGIN .
--- stderr
Prsr (1,9): Expected identifier.
--- status 9

### declaration: a constant in place of the type name
--- stdin
VAR x : TRUE; BEGIN .
--- stderr
Prsr (1,9): Not a type.
--- status 9

### declaration: a variable in place of the type name
--- stdin
VAR x : INTEGER; y : x; BEGIN .
--- stderr
Prsr (1,22): Not a type.
--- status 9

### declaration: a type name in a constant's expression
--- stdin
CONST a = BOOLEAN; BEGIN .
--- stderr
Prsr (1,11): Expected constant or variable.
--- status 9

### table: 28 constants and variables together are accepted
--- stdin
CONST
c1 = 1; c2 = 2; c3 = 3; c4 = 4; c5 = 5; c6 = 6; c7 = 7;
c8 = 8; c9 = 9; c10 = 10; c11 = 11; c12 = 12; c13 = 13; c14 = 14;
VAR
v1 : INTEGER; v2 : INTEGER; v3 : INTEGER; v4 : INTEGER; v5 : INTEGER;
v6 : INTEGER; v7 : INTEGER; v8 : INTEGER; v9 : INTEGER; v10 : INTEGER;
v11 : INTEGER; v12 : INTEGER; v13 : INTEGER; v14 : BOOLEAN;
BEGIN v13 := c14; WRITE v13; WRITE v14 .
--- stdout
14
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 14
Comp.DebugG:    5:  Sto 12
Comp.DebugG:   10:  Lod 12
Comp.DebugG:   15:  Wrt
Comp.DebugG:   17:  Lod 13
Comp.DebugG:   22:  WrB

### table: 28 variables take the slots 0 to 27
--- stdin
VAR
v1 : INTEGER; v2 : INTEGER; v3 : INTEGER; v4 : INTEGER; v5 : INTEGER;
v6 : INTEGER; v7 : INTEGER; v8 : INTEGER; v9 : INTEGER; v10 : INTEGER;
v11 : INTEGER; v12 : INTEGER; v13 : INTEGER; v14 : INTEGER; v15 : INTEGER;
v16 : INTEGER; v17 : INTEGER; v18 : INTEGER; v19 : INTEGER; v20 : INTEGER;
v21 : INTEGER; v22 : INTEGER; v23 : INTEGER; v24 : INTEGER; v25 : INTEGER;
v26 : INTEGER; v27 : INTEGER; v28 : INTEGER;
BEGIN v28 := 5; v1 := v28 + 1; WRITE v1; WRITE v27 .
--- stdout
6
0
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 5
Comp.DebugG:    5:  Sto 27
Comp.DebugG:   10:  Lod 27
Comp.DebugG:   15:  Val 1
Comp.DebugG:   20:  Add
Comp.DebugG:   22:  Sto 0
Comp.DebugG:   27:  Lod 0
Comp.DebugG:   32:  Wrt
Comp.DebugG:   34:  Lod 26
Comp.DebugG:   39:  Wrt

### table: the 29th name is refused, a variable
--- stdin
CONST
c1 = 1; c2 = 2; c3 = 3; c4 = 4; c5 = 5; c6 = 6; c7 = 7;
c8 = 8; c9 = 9; c10 = 10; c11 = 11; c12 = 12; c13 = 13; c14 = 14;
VAR
v1 : INTEGER; v2 : INTEGER; v3 : INTEGER; v4 : INTEGER; v5 : INTEGER;
v6 : INTEGER; v7 : INTEGER; v8 : INTEGER; v9 : INTEGER; v10 : INTEGER;
v11 : INTEGER; v12 : INTEGER; v13 : INTEGER; v14 : BOOLEAN;
  z : INTEGER;
BEGIN .
--- stderr
Prsr (8,3): Too many identifiers.
--- status 9

### table: the 29th name is refused, a constant
--- stdin
CONST
c1 = 1; c2 = 2; c3 = 3; c4 = 4; c5 = 5; c6 = 6; c7 = 7;
c8 = 8; c9 = 9; c10 = 10; c11 = 11; c12 = 12; c13 = 13; c14 = 14;
c15 = 15; c16 = 16; c17 = 17; c18 = 18; c19 = 19; c20 = 20; c21 = 21;
c22 = 22; c23 = 23; c24 = 24; c25 = 25; c26 = 26; c27 = 27; c28 = 28;
c29 = 29;
BEGIN .
--- stderr
Prsr (6,1): Too many identifiers.
--- status 9

### table: a redeclared name is reported as such when the table is full
--- stdin
CONST
c1 = 1; c2 = 2; c3 = 3; c4 = 4; c5 = 5; c6 = 6; c7 = 7;
c8 = 8; c9 = 9; c10 = 10; c11 = 11; c12 = 12; c13 = 13; c14 = 14;
VAR
v1 : INTEGER; v2 : INTEGER; v3 : INTEGER; v4 : INTEGER; v5 : INTEGER;
v6 : INTEGER; v7 : INTEGER; v8 : INTEGER; v9 : INTEGER; v10 : INTEGER;
v11 : INTEGER; v12 : INTEGER; v13 : INTEGER; v14 : BOOLEAN;
  c3 : INTEGER;
BEGIN .
--- stderr
Prsr (8,3): Identifier redeclared.
--- status 9

### expression: an undeclared identifier in a factor
--- stdin
BEGIN WRITE y .
--- stderr
Prsr (1,13): Identifier undeclared.
--- status 9

### expression: 2147483647 is the largest number
--- stdin
BEGIN WRITE 2147483647 .
--- stdout
2147483647
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2147483647
Comp.DebugG:    5:  Wrt

### expression: 2147483648 is too large for the parser
--- stdin
BEGIN WRITE 2147483648 .
--- stderr
Prsr (1,13): Number too large.
--- status 9

### expression: 4294967295 passes the scanner and is too large for the parser
--- stdin
BEGIN WRITE 0 + 4294967295 .
--- stderr
Prsr (1,17): Number too large.
--- status 9

### expression: a type name as an operand
--- stdin
BEGIN WRITE INTEGER + 1 .
--- stderr
Prsr (1,13): Expected constant or variable.
--- status 9

### expression: two operands without an operator inside parentheses
--- stdin
BEGIN WRITE (1 2) .
--- stderr
Prsr (1,16): Expected operator or ")".
--- status 9

### expression: a missing ")" at the end of a statement
--- stdin
BEGIN WRITE (1 + 2; WRITE 3 .
--- stderr
Prsr (1,19): Expected operator or ")".
--- status 9

### expression: a second relation inside parentheses
--- stdin
BEGIN WRITE (1 < 2 < 3) .
--- stderr
Prsr (1,20): Expected operator or ")".
--- status 9

### expression: "~" before an INTEGER constant
--- stdin
BEGIN WRITE ~1 .
--- stderr
Prsr (1,16): Expected boolean factor.
--- status 9

### expression: "~" before an INTEGER variable, after its load ran
--- stdin
VAR x : INTEGER; BEGIN WRITE ~x .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Prsr (1,33): Expected boolean factor.
--- status 9

### expression: WRITE without an expression
--- stdin
BEGIN WRITE .
--- stderr
Prsr (1,13): Expected factor.
--- status 9

### expression: a sign after "*"
--- stdin
BEGIN WRITE 2 * -3 .
--- stderr
Prsr (1,17): Expected factor.
--- status 9

### expression: a sign after "+"
--- stdin
BEGIN WRITE 1 + -2 .
--- stderr
Prsr (1,17): Expected factor.
--- status 9

### expression: two signs, at the second
--- stdin
BEGIN WRITE --5 .
--- stderr
Prsr (1,14): Expected factor.
--- status 9

### expression: a sign before a BOOLEAN constant
--- stdin
BEGIN WRITE -TRUE .
--- stderr
Prsr (1,19): Expected integer term.
--- status 9

### expression: "+" before a BOOLEAN variable, after its load ran
--- stdin
VAR b : BOOLEAN; BEGIN WRITE +b .
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Prsr (1,33): Expected integer term.
--- status 9

### expression: "+" after a BOOLEAN
--- stdin
BEGIN WRITE TRUE + 1 .
--- stderr
Prsr (1,18): Wrong operator type.
--- status 9

### expression: "|" after an INTEGER
--- stdin
BEGIN WRITE 1 | 2 .
--- stderr
Prsr (1,15): Wrong operator type.
--- status 9

### expression: "&" after an INTEGER
--- stdin
BEGIN WRITE 1 & 2 .
--- stderr
Prsr (1,15): Wrong operator type.
--- status 9

### expression: "*" after a BOOLEAN
--- stdin
BEGIN WRITE TRUE * FALSE .
--- stderr
Prsr (1,18): Wrong operator type.
--- status 9

### expression: a BOOLEAN right operand of "+"
--- stdin
BEGIN WRITE 1 + TRUE .
--- stderr
Prsr (1,22): Wrong operand type.
--- status 9

### expression: an INTEGER right operand of "&"
--- stdin
BEGIN WRITE TRUE & 1 .
--- stderr
Prsr (1,22): Wrong operand type.
--- status 9

### expression: a relation between an INTEGER and a BOOLEAN
--- stdin
BEGIN WRITE 1 = TRUE .
--- stderr
Prsr (1,22): Wrong operand type.
--- status 9

### nesting: 1000 levels of "(" around a constant
--- stdin
BEGIN WRITE \R{1000}{(}7\R{1000}{)} .
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Wrt

### nesting: the 1001st "(" is refused at its position
--- stdin
BEGIN WRITE \R{1001}{(}7\R{1001}{)} .
--- stderr
Prsr (1,1013): Nesting too deep.
--- status 9

### nesting: 1000 levels of "~"
--- stdin
BEGIN WRITE \R{1000}{~}TRUE .
--- stdout
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB

### nesting: the 1001st "~" is refused at its position
--- stdin
BEGIN WRITE \R{1001}{~}TRUE .
--- stderr
Prsr (1,1013): Nesting too deep.
--- status 9

### nesting: "~" and "(" count together, 1000 of them run
--- stdin
BEGIN WRITE \R{500}{~(}TRUE\R{500}{)} .
--- stdout
TRUE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB

### nesting: "~" and "(" count together, the 1001st is refused
--- stdin
BEGIN WRITE \R{500}{~(}~TRUE\R{500}{)} .
--- stderr
Prsr (1,1013): Nesting too deep.
--- status 9

### nesting: closed levels are given back, within a statement and after it
--- stdin
BEGIN WRITE \R{1000}{(}1\R{1000}{)} + \R{1000}{(}2\R{1000}{)};
WRITE \R{1000}{~}FALSE .
--- stdout
3
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 3
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 0
Comp.DebugG:   12:  WrB
