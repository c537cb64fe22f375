// The driver: the process entry. Starts the components in their fixed order, reads the command
// line (at most one option acted upon, at most one input file), chooses the source, and runs the
// compile-and-run of the whole program.
#include "Args.h"
#include "ConSigs.h"
#include "Prsr.h"
#include "Scnr.h"
#include "runtime/Runtime.h"

namespace {

void Help() {
    const char* const lines[] = {
        "(* kel l07 v07 (2021-07-04): kel compiler & interpreter *)",
        "(* flowers & bug reports to The kel team <kel-team@example.org> *)",
        "syntax = \"kel\" { option } [ infile ] .",
        "option = \"-h\"  (* show this info and exit *) .",
    };
    for (const char* s : lines) {
        rt::WrStr(rt::ErrOut, s);
        rt::WrLn(rt::ErrOut);
    }
    rt::Exit(9);
}

// "kel: " s ": '" the current token's text "'". A long parameter is shown cut to 256 bytes at
// most, never inside a character (Args::lit).
[[noreturn]] void Error(const char* s) {
    rt::WrStr(rt::ErrOut, "kel: ");
    rt::WrStr(rt::ErrOut, s);
    rt::WrStr(rt::ErrOut, ": '");
    rt::WrStr(rt::ErrOut, Args::lit, Args::kLitSize);
    rt::WrStr(rt::ErrOut, "'");
    rt::WrLn(rt::ErrOut);
    rt::Exit(9);
}

// Acts on the current token if it is an option; every option ends the process.
void Options() {
    if (Args::sym != Args::symOpt) return;
    if (rt::Compare(Args::lit, Args::kLitSize, "?") == 0 ||
        rt::Compare(Args::lit, Args::kLitSize, "h") == 0) {
        Help();
    }
    Error("Invalid option");
}

// kel { option } [ infile ]. Parameters after the file are ignored, except that an option right
// after it is still acted upon. The whole parameter names the file, never its cut display text.
void ParseArgs() {
    Args::Reset();
    Args::Read();
    Options();
    if (Args::sym == Args::symArg) {
        if (rt::Compare(Args::arg, SIZE_MAX, "-") == 0) {
            // "-" is standard input, which the scanner reads already
        } else if (rt::Exists(Args::arg)) {
            Scnr::Use(rt::OpenRead(Args::arg));
        } else {
            Error("File does not exist");
        }
        Args::Read();
        Options();
    }
}

void InitGlobals() {}

void Init() {
    InitGlobals();
    ParseArgs();
}

void Main() { Prsr::Run(); }

void Done() {}

} // namespace

int main(int argc, char** argv) {
    rt::Init(argc, argv);
    // Each start-up first starts what it needs: the bodies run as Comp, Scnr, Prsr, Args, ConSigs.
    Prsr::Init();
    Scnr::Init();
    Args::Init();
    ConSigs::Init();
    Init();
    Main();
    Done();
    rt::Exit(0);
}
