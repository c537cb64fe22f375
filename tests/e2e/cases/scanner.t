The scanner through whole programs: positions (line feed is the only line
end, every other byte is one column), the end marker, separators, invalid
characters, symbols of two characters, comments, numbers, keywords, and the
limits of the identifier store.

The identifier store holds the keywords and the predeclared names at offsets
0 to 48, so the first name of a program is stored at 49. In the store cases
the kept entries are a (offsets 49-303), b (304-558) and v (559-768); a name
read after them stands at 769 and may hold 254 characters, its entry ending
at 1023. Names that are only used are not kept.

### positions: CR LF line ends put the CR in the column after the line
--- stdin
BEGIN WRITE 1;\r
  WRITE 2\r
  3 .\r
--- stdout
1
2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 2
Comp.DebugG:   12:  Wrt
Prsr (3,3): Expected ";" or ".".
--- status 9

### positions: a CR is one column of its line
--- stdin
BEGIN\r,
--- stderr
Scnr (1,7): Invalid character.
--- status 9

### positions: a lone CR does not start a line
--- stdin
BEGIN\r\r,
--- stderr
Scnr (1,8): Invalid character.
--- status 9

### positions: a tab is one column, not a tab stop
--- stdin
BEGIN WRITE 1;
\t\tWRITE x .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (2,9): Identifier undeclared.
--- status 9

### positions: an error at the start of a later line
--- stdin
BEGIN


;,
--- stderr
Scnr (4,2): Invalid character.
--- status 9

### end: empty source
--- stdin
--- stderr
Prsr (1,1): Expected "BEGIN".
--- status 9

### end: only line ends and blanks, the end is after them
--- stdin


  \c
--- stderr
Prsr (3,3): Expected "BEGIN".
--- status 9

### end: only a comment
--- stdin
(* nothing *)\c
--- stderr
Prsr (1,14): Expected "BEGIN".
--- status 9

### end: no final line end, the end is one column after the last byte
--- stdin
BEGIN WRITE 1\c
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (1,14): Expected ";" or ".".
--- status 9

### end: a final line end puts the end in column 1 of the next line
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

### end: nothing after the final full stop is read
--- stdin
BEGIN WRITE 1 . ,!$ (* \x00 \x1a
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### end marker: byte 26 ends the source there; the full stop behind it is never read
--- stdin
BEGIN WRITE 1 \x1a.
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (1,15): Expected ";" or ".".
--- status 9

### end marker: the garbage behind byte 26 is never read
--- stdin
BEGIN WRITE 7 .\x1a,,,$$$\x00\xff(*
?@[
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Wrt

### end marker: byte 26 ends an identifier, and stands at its own position
--- stdin
VAR x : INTEGER;
BEGIN x\x1a:= 1 .
--- stderr
Prsr (2,8): Expected ":=".
--- status 9

### end marker: byte 26 inside a comment leaves it unterminated
--- stdin
BEGIN WRITE 1 (* a \x1a *) .
--- stderr
Scnr (1,15): Unterminated comment (start pos).
--- status 9

### separators: control bytes, DEL and bytes above 126 separate tokens
--- stdin
\x80BEGIN\x01WRITE\xff1\x7f;\x1f\x0bWRITE\xa02\x00.
--- stdout
1
2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 2
Comp.DebugG:   12:  Wrt

### separators: a byte above 126 ends an identifier
--- stdin
VAR x\xe9y : INTEGER; BEGIN .
--- stderr
Prsr (1,7): Expected ":".
--- status 9

### separators: a byte above 126 ends a number
--- stdin
BEGIN WRITE 12\xff3 .
--- stdout
12
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 12
Comp.DebugG:    5:  Wrt
Prsr (1,16): Expected ";" or ".".
--- status 9

### separators: none needed when the first token cannot continue
--- stdin
VAR x:INTEGER;BEGIN x:=1;WRITE x+2*x.
--- stdout
3
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Lod 0
Comp.DebugG:   20:  Val 2
Comp.DebugG:   25:  Mul
Comp.DebugG:   27:  Add
Comp.DebugG:   29:  Wrt

### invalid character: !
--- stdin
BEGIN WRITE 1;
	WRITE 2 ! .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: "
--- stdin
BEGIN WRITE 1;
	WRITE 2 " .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: $
--- stdin
BEGIN WRITE 1;
	WRITE 2 $ .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: %
--- stdin
BEGIN WRITE 1;
	WRITE 2 % .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: '
--- stdin
BEGIN WRITE 1;
	WRITE 2 ' .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: ,
--- stdin
BEGIN WRITE 1;
	WRITE 2 , .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: ?
--- stdin
BEGIN WRITE 1;
	WRITE 2 ? .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: @
--- stdin
BEGIN WRITE 1;
	WRITE 2 @ .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: [
--- stdin
BEGIN WRITE 1;
	WRITE 2 [ .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: backslash
--- stdin
BEGIN WRITE 1;
	WRITE 2 \\ .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: ]
--- stdin
BEGIN WRITE 1;
	WRITE 2 ] .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: ^
--- stdin
BEGIN WRITE 1;
	WRITE 2 ^ .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: _
--- stdin
BEGIN WRITE 1;
	WRITE 2 _ .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: `
--- stdin
BEGIN WRITE 1;
	WRITE 2 ` .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: {
--- stdin
BEGIN WRITE 1;
	WRITE 2 { .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: }
--- stdin
BEGIN WRITE 1;
	WRITE 2 } .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,10): Invalid character.
--- status 9

### invalid character: the very first byte
--- stdin
@BEGIN .
--- stderr
Scnr (1,1): Invalid character.
--- status 9

### invalid character: a_b is a then an invalid underscore
--- stdin
VAR a_b : INTEGER; BEGIN .
--- stderr
Scnr (1,6): Invalid character.
--- status 9

### invalid character: allowed inside a comment
--- stdin
(* ! " $ % ' , ? @ [ \\ ] ^ _ ` { } \x00 \xff *) BEGIN WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### symbols: <> is not equal, like #
--- stdin
BEGIN WRITE 1 <> 2; WRITE 1 # 1 .
--- stdout
TRUE
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB
Comp.DebugG:    7:  Val 0
Comp.DebugG:   12:  WrB

### symbols: < > is two tokens
--- stdin
BEGIN WRITE 1 < > 2 .
--- stderr
Prsr (1,17): Expected factor.
--- status 9

### symbols: =< is two tokens
--- stdin
BEGIN WRITE 1 =< 2 .
--- stderr
Prsr (1,16): Expected factor.
--- status 9

### symbols: > = is two tokens
--- stdin
BEGIN WRITE 2 > = 1 .
--- stderr
Prsr (1,17): Expected factor.
--- status 9

### symbols: <= and >= without a blank
--- stdin
BEGIN WRITE 1<=1; WRITE 1>=2 .
--- stdout
TRUE
FALSE
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  WrB
Comp.DebugG:    7:  Val 0
Comp.DebugG:   12:  WrB

### symbols: : = is a colon, not an assignment
--- stdin
VAR x : INTEGER; BEGIN x : = 1 .
--- stderr
Prsr (1,26): Expected ":=".
--- status 9

### symbols: a comment between : and = splits them too
--- stdin
VAR x : INTEGER; BEGIN x :(**)= 1 .
--- stderr
Prsr (1,26): Expected ":=".
--- status 9

### comments: (*) opens a comment that it does not close
--- stdin
BEGIN (*) WRITE 1 .
--- stderr
Scnr (1,7): Unterminated comment (start pos).
--- status 9

### comments: (**) is empty, also between the parts of a statement
--- stdin
BEGIN(**)WRITE(**)1(**).
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### comments: nested comments hide what stands between them
--- stdin
BEGIN (* (* *) WRITE 2 *) WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### comments: ((* opens a nested comment and **) closes one
--- stdin
BEGIN (* ((* x **) WRITE 2 *) WRITE 1 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt

### comments: unterminated nested comment is reported at the outermost (
--- stdin
BEGIN WRITE 1;
  (* a (* b *) c
  WRITE 2 .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,3): Unterminated comment (start pos).
--- status 9

### comments: an opening (* as the last bytes of the source
--- stdin
BEGIN (*\c
--- stderr
Scnr (1,7): Unterminated comment (start pos).
--- status 9

### comments: ( * is a parenthesis and a star
--- stdin
BEGIN WRITE ( * 2) .
--- stderr
Prsr (1,15): Expected factor.
--- status 9

### comments: the token after a comment has its own position
--- stdin
BEGIN (* c *)
 (* d *) ,
--- stderr
Scnr (2,10): Invalid character.
--- status 9

### numbers: 4294967295 is a number, but too large for the language
--- stdin
BEGIN WRITE 4294967295 .
--- stderr
Prsr (1,13): Number too large.
--- status 9

### numbers: 4294967296 is too large for the scanner
--- stdin
BEGIN WRITE 4294967296 .
--- stderr
Scnr (1,13): Number too large.
--- status 9

### numbers: 2147483647 is the largest value
--- stdin
BEGIN WRITE 2147483647 .
--- stdout
2147483647
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2147483647
Comp.DebugG:    5:  Wrt

### numbers: 2147483648 is too large even after a minus sign
--- stdin
BEGIN WRITE -2147483648 .
--- stderr
Prsr (1,14): Number too large.
--- status 9

### numbers: leading zeros
--- stdin
BEGIN WRITE 007; WRITE 0000000000000000000000000000002147483647; WRITE 00 .
--- stdout
7
2147483647
0
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Wrt
Comp.DebugG:    7:  Val 2147483647
Comp.DebugG:   12:  Wrt
Comp.DebugG:   14:  Val 0
Comp.DebugG:   19:  Wrt

### numbers: too large after leading zeros, at the first zero
--- stdin
BEGIN
  WRITE 0004294967296 .
--- stderr
Scnr (2,9): Number too large.
--- status 9

### numbers: a letter after the digits is an invalid number
--- stdin
BEGIN WRITE 1A .
--- stderr
Scnr (1,13): Invalid number.
--- status 9

### numbers: a lower-case letter after the digits, the largest number
--- stdin
BEGIN WRITE 4294967295x .
--- stderr
Scnr (1,13): Invalid number.
--- status 9

### numbers: the digits overflow before the letter is seen
--- stdin
BEGIN WRITE 99999999999A .
--- stderr
Scnr (1,13): Number too large.
--- status 9

### numbers: an underscore after the digits is its own invalid character
--- stdin
BEGIN WRITE 1_ .
--- stderr
Scnr (1,14): Invalid character.
--- status 9

### keywords: Var is an identifier
--- stdin
Var x : INTEGER; BEGIN .
--- stderr
Prsr (1,1): Expected "BEGIN".
--- status 9

### keywords: VARX, Var and var are ordinary names
--- stdin
VAR VARX : INTEGER; Var : BOOLEAN; var : INTEGER;
BEGIN VARX := 3; Var := TRUE; var := 4; WRITE VARX; WRITE Var; WRITE var .
--- stdout
3
TRUE
4
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 3
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Val 1
Comp.DebugG:   15:  Sto 1
Comp.DebugG:   20:  Val 4
Comp.DebugG:   25:  Sto 2
Comp.DebugG:   30:  Lod 0
Comp.DebugG:   35:  Wrt
Comp.DebugG:   37:  Lod 1
Comp.DebugG:   42:  WrB
Comp.DebugG:   44:  Lod 2
Comp.DebugG:   49:  Wrt

### keywords: BEGINWRITE is one identifier
--- stdin
BEGINWRITE 1 .
--- stderr
Prsr (1,1): Expected "BEGIN".
--- status 9

### keywords: WRITE1 is one identifier
--- stdin
BEGIN WRITE1 .
--- stderr
Prsr (1,7): Identifier undeclared.
--- status 9

### keywords: a keyword is no factor
--- stdin
BEGIN WRITE BEGIN .
--- stderr
Prsr (1,13): Expected factor.
--- status 9

### identifier length: 254 characters are fine
--- stdin
VAR \R{254}{x} : INTEGER;
BEGIN \R{254}{x} := 7; WRITE \R{254}{x} .
--- stdout
7
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 7
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Wrt

### identifier length: 255 characters are too long
--- stdin
VAR \R{255}{x} : INTEGER;
--- stderr
Scnr (1,5): Identifier too long.
--- status 9

### identifier length: too long also where it is only used
--- stdin
BEGIN WRITE 1;
  WRITE \R{300}{y} .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (2,9): Identifier too long.
--- status 9

### identifier store: the longest single identifier that fits is still too long
--- stdin
BEGIN WRITE \R{974}{z} .
--- stderr
Scnr (1,13): Identifier too long.
--- status 9

### identifier store: one character more is "Buffer full"
--- stdin
BEGIN WRITE \R{975}{z} .
--- stderr
Scnr (1,13): Buffer full.
--- status 9

### identifier store: a used name whose entry ends at offset 1023 fits
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2;
VAR \R{209}{v} : INTEGER;
BEGIN \R{209}{v} := \R{254}{b}; WRITE \R{209}{v} .
--- stdout
2
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 2
Comp.DebugG:    5:  Sto 0
Comp.DebugG:   10:  Lod 0
Comp.DebugG:   15:  Wrt

### identifier store: an undeclared name that fits is undeclared
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2;
VAR \R{209}{v} : INTEGER;
BEGIN WRITE 1; WRITE \R{254}{u} .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Prsr (3,22): Identifier undeclared.
--- status 9

### identifier store: an undeclared name one character longer is "Buffer full"
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2;
VAR \R{209}{v} : INTEGER;
BEGIN WRITE 1; WRITE \R{255}{u} .
--- stdout
1
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Val 1
Comp.DebugG:    5:  Wrt
Scnr (3,22): Buffer full.
--- status 9

### identifier store: a declared name with one letter added is "Buffer full"
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2;
VAR \R{209}{v} : INTEGER;
BEGIN \R{209}{v} := \R{254}{b}b .
--- stderr
Scnr (3,220): Buffer full.
--- status 9

### identifier store: a name declared to end at 1023 leaves no room for its type name
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2; \R{254}{c} = 3;
VAR \R{209}{v} : INTEGER;
--- stderr
Scnr (2,217): Buffer full.
--- status 9

### identifier store: a declared name that would reach 1024 is "Buffer full"
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2; \R{254}{c} = 3;
VAR \R{210}{v} : INTEGER;
--- stderr
Scnr (2,5): Buffer full.
--- status 9

### identifier store: uses of declared names cost no room
--- stdin
CONST \R{254}{a} = 1; \R{254}{b} = 2;
VAR \R{209}{v} : INTEGER;
BEGIN
\R{209}{v} := \R{209}{v} + \R{254}{a};
\R{209}{v} := \R{209}{v} + \R{254}{b};
\R{209}{v} := \R{209}{v} + \R{254}{b};
WRITE \R{209}{v} .
--- stdout
5
--- stderr
Comp.DebugG:  pos
Comp.DebugG:    0:  Lod 0
Comp.DebugG:    5:  Val 1
Comp.DebugG:   10:  Add
Comp.DebugG:   12:  Sto 0
Comp.DebugG:   17:  Lod 0
Comp.DebugG:   22:  Val 2
Comp.DebugG:   27:  Add
Comp.DebugG:   29:  Sto 0
Comp.DebugG:   34:  Lod 0
Comp.DebugG:   39:  Val 2
Comp.DebugG:   44:  Add
Comp.DebugG:   46:  Sto 0
Comp.DebugG:   51:  Lod 0
Comp.DebugG:   56:  Wrt
