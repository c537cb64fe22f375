// kel's generation trace as the tests expect it, written once for every C++ test and the fuzzing
// model: a header line, then one line per command, "Comp.DebugG: ", the command's code position
// right-aligned in four columns (never cut), ":  " and the command as kel names it ("Val 7",
// "Lod 0", "Add", "Or ").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// The header line, with kel's line end.
inline const std::string kTraceHeader = "Comp.DebugG:  pos\r\n";

// The line of the command at code position pos, without its line end.
inline std::string TraceText(uint32_t pos, std::string_view command) {
    char p[16];
    std::snprintf(p, sizeof p, "%4u", static_cast<unsigned>(pos));
    return "Comp.DebugG: " + std::string(p) + ":  " + std::string(command);
}

// The same line as kel writes it, ended by CR LF.
inline std::string TraceLine(uint32_t pos, std::string_view command) {
    return TraceText(pos, command) + "\r\n";
}

// The bytes that the command takes in the code store, and so how far the position of the next
// one moves: Val, Lod and Sto carry a four-byte operand, an operation a one-byte one.
inline uint32_t CommandSize(std::string_view command) {
    std::string_view f = command.substr(0, 3);
    return f == "Val" || f == "Lod" || f == "Sto" ? 5 : 2;
}
