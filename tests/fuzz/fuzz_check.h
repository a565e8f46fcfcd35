// Property checks for the fuzz targets. A broken property prints what broke and aborts, so that
// libFuzzer treats it like a crash and keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// Wide text as printable ASCII: other characters as \x{...}, so that reports stay readable.
inline std::string Escape(const std::wstring& text) {
    std::string out = "\"";
    for (const wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if (code >= 0x20 && code < 0x7F && c != L'"') {
            out += static_cast<char>(c);
        } else {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "\\x{%lx}", code);
            out += buffer;
        }
    }
    return out + "\"";
}

// What the target is working on; printed with every failure. Set once per input, read lazily so
// that passing inputs pay nothing for it.
using Describer = std::string (*)();
inline Describer& CurrentInput() {
    static Describer describe = nullptr;
    return describe;
}

[[noreturn]] inline void Fail(const std::string& property) {
    std::fprintf(stderr, "\n*** property failed: %s\n", property.c_str());
    if (CurrentInput() != nullptr) {
        std::fprintf(stderr, "*** input: %s\n", CurrentInput()().c_str());
    }
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool holds, const char* property) {
    if (!holds) {
        Fail(property);
    }
}

} // namespace fuzz
