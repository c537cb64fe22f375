// The parser: a single-pass recursive-descent compiler with one token of look-ahead. It keeps the
// declared names in one flat object table, checks types, folds every operation whose operands
// are both constants, and hands everything else to the code store, which runs it at once.
//
// Needs the scanner and the code store. Source errors end the process with
// "Prsr (line,column): message." at the current token.
#pragma once

namespace Prsr {

void Init(); // start-up: starts Comp and Scnr, enters the predeclared names; runs once
void Run();  // compiles and runs the whole source; returns only when it was complete and correct

} // namespace Prsr
