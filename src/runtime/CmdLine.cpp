#include "CmdLine.h"

#include <cstdint>

namespace rt::cmdline {
namespace {

bool Blank(wchar_t c) { return c == ' ' || c == '\t'; }

bool High(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool Low(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Writes UTF-8 into a buffer that is large enough (see kTextSize).
struct Writer {
    char* p;

    void Put(uint32_t c) { *p++ = static_cast<char>(c); }

    // The unit at s[i], or the surrogate pair there; returns the index after it.
    size_t Unit(const wchar_t* s, size_t i) {
        uint32_t c = static_cast<uint32_t>(s[i]);
        if (High(c) && Low(static_cast<uint32_t>(s[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(s[i + 1]) - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            Put(c);
        } else if (c < 0x800) {
            Put(0xC0 | c >> 6);
            Put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            Put(0xE0 | c >> 12);
            Put(0x80 | (c >> 6 & 0x3F));
            Put(0x80 | (c & 0x3F));
        } else {
            Put(0xF0 | c >> 18);
            Put(0x80 | (c >> 12 & 0x3F));
            Put(0x80 | (c >> 6 & 0x3F));
            Put(0x80 | (c & 0x3F));
        }
        return i + 1;
    }
};

// The program's name: quotes group blanks into it, nothing is escaped (no file name holds a
// quote). Returns the index after it.
size_t Program(const wchar_t* s, size_t i, Writer& w) {
    bool quoted = false;
    while (s[i] != 0 && (quoted || !Blank(s[i]))) {
        if (s[i] == '"') {
            quoted = !quoted;
            ++i;
        } else {
            i = w.Unit(s, i);
        }
    }
    return i;
}

// One parameter. Backslashes are themselves unless a quote follows them; then every pair of them
// is one backslash, and an odd one out makes the quote a character instead of the start or the end
// of a quoted part. Inside a quoted part, "" is a quote and the part goes on. Returns the index
// after the parameter.
size_t Param(const wchar_t* s, size_t i, Writer& w) {
    bool quoted = false;
    for (;;) {
        size_t n = 0;
        while (s[i + n] == '\\') ++n;
        for (size_t k = s[i + n] == '"' ? n / 2 : n; k > 0; --k) w.Put('\\');
        i += n;
        if (s[i] == '"') {
            if (n % 2 == 1) {
                w.Put('"');
                ++i;
            } else if (quoted && s[i + 1] == '"') {
                w.Put('"');
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else if (s[i] == 0 || (!quoted && Blank(s[i]))) {
            return i;
        } else {
            i = w.Unit(s, i);
        }
    }
}

// One code point of the UTF-8 text at s[i]; advances i past it. A byte that starts no valid
// sequence (a stray continuation byte, an overlong form, a value above U+10FFFF) is U+FFFD and
// advances i by one. Three-byte forms of surrogates are read as the unit they stand for.
uint32_t Decode(const unsigned char* s, size_t& i) {
    const uint32_t b = s[i];
    size_t n;
    uint32_t c, min;
    if (b < 0x80) {
        ++i;
        return b;
    } else if (b >= 0xC0 && b < 0xE0) {
        n = 1, c = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b < 0xF0) {
        n = 2, c = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b < 0xF5) {
        n = 3, c = b & 0x07, min = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    for (size_t k = 1; k <= n; ++k) {
        // The NUL at the end is no continuation byte, so this never reads past it.
        if ((s[i + k] & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = c << 6 | (s[i + k] & 0x3F);
    }
    if (c < min || c > 0x10FFFF) {
        ++i;
        return 0xFFFD;
    }
    i += n + 1;
    return c;
}

} // namespace

size_t Split(const wchar_t* line, char* text, char** argv) {
    // A longer line cannot come from the system; its rest is left out, so the buffers suffice.
    static wchar_t cut[kMaxUnits + 1];
    size_t len = 0;
    while (line[len] != 0 && len <= kMaxUnits) ++len;
    if (len > kMaxUnits) {
        for (size_t k = 0; k < kMaxUnits; ++k) cut[k] = line[k];
        cut[kMaxUnits] = 0;
        line = cut;
    }
    Writer w{text};
    size_t argc = 0;
    argv[argc++] = w.p;
    size_t i = Program(line, 0, w);
    w.Put('\0');
    for (;;) {
        while (Blank(line[i])) ++i;
        if (line[i] == 0) break;
        argv[argc++] = w.p;
        i = Param(line, i, w);
        w.Put('\0');
    }
    argv[argc] = nullptr;
    return argc;
}

bool Widen(const char* s, wchar_t* w, size_t cap) {
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    size_t k = 0;
    for (size_t i = 0; u[i] != 0;) {
        const uint32_t c = Decode(u, i);
        if (k + (c >= 0x10000 ? 2 : 1) >= cap) return false;
        if (c >= 0x10000) {
            w[k++] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            w[k++] = static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            w[k++] = static_cast<wchar_t>(c);
        }
    }
    w[k] = 0;
    return true;
}

} // namespace rt::cmdline
