#include "Args.h"

#include "runtime/Runtime.h"

namespace Args {

uint32_t cnt;
uint32_t idx;
TSymbol sym;
TLitStr lit;
uint32_t len;
const char* arg = "";

namespace {

bool started = false;

bool IsOption() {
    if (lit[0] == '/' && !rt::SlashOptions()) return len == 2 && (lit[1] == 'h' || lit[1] == '?');
    return (lit[0] == '-' || lit[0] == '/') && len > 1;
}

} // namespace

void Init() {
    if (started) return;
    started = true;
    Reset();
}

void Reset() {
    cnt = rt::ParamCount();
    lit[0] = '\0';
    idx = 1;
    sym = symNull;
    len = 0;
    arg = "";
}

void Read() {
    if (idx > cnt) {
        lit[0] = '\0';
        len = 0;
        sym = symEOA;
        arg = "";
        return;
    }
    rt::ParamStr(lit, kLitSize, idx);
    arg = rt::Param(idx);
    idx++;
    len = static_cast<uint32_t>(rt::Length(lit, kLitSize));
    if (IsOption()) {
        rt::Delete(lit, kLitSize, 0, 1);
        len--;
        sym = symOpt;
    } else {
        sym = symArg;
    }
}

} // namespace Args
