// Fuzz target for the path and string helpers: SplitPath, JoinPath, JoinFileName and the trims.
//
// Input: up to three fields separated by '|': a path, a second text, and a character set. The
// path is split, trimmed, used as a folder and as a name; the second text is the file name or
// extension beside it; the set, when present, is both the trim set and JoinPath's delimiter (an
// empty or longer one must be refused). Without it the default trim set and no delimiter are used.
// Bytes below 0x80 are themselves (NUL included), 0x80..0xFE are Cyrillic letters, and 0xFF
// followed by two bytes is any 16-bit character.
#include "fuzz_check.h"

#include "os/system.h"
#include "support/simulated_system.h"
#include "utils/path.h"
#include "utils/trim.h"
#include "utils/utils_error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using fuzz::Check;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool HasSeparator(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), IsSeparator);
}

bool OnlySeparators(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), IsSeparator);
}

// Membership as a NUL-terminated set defines it: NUL itself is never a member.
bool IsMember(wchar_t c, const wchar_t* set) {
    for (const wchar_t* p = set; *p != L'\0'; ++p) {
        if (*p == c) {
            return true;
        }
    }
    return false;
}

std::wstring WithoutTrailing(std::wstring text, wchar_t a, wchar_t b) {
    while (!text.empty() && (text.back() == a || text.back() == b)) {
        text.pop_back();
    }
    return text;
}

std::wstring WithoutLeading(const std::wstring& text, wchar_t a, wchar_t b) {
    std::size_t start = 0;
    while (start < text.size() && (text[start] == a || text[start] == b)) {
        ++start;
    }
    return text.substr(start);
}

struct Input {
    std::wstring path;
    std::wstring other;
    bool hasSet = false;
    std::wstring set;
};

Input g_input;

std::string DescribeInput() {
    std::string text =
        "path " + fuzz::Escape(g_input.path) + ", other " + fuzz::Escape(g_input.other);
    return g_input.hasSet ? text + ", set " + fuzz::Escape(g_input.set) : text + ", no set";
}

Input Decode(const std::uint8_t* data, std::size_t size) {
    Input input;
    std::wstring* field = &input.path;
    int fieldIndex = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (byte == '|' && fieldIndex < 2) {
            ++fieldIndex;
            field = fieldIndex == 1 ? &input.other : &input.set;
            input.hasSet = fieldIndex == 2;
        } else if (byte < 0x80) {
            field->push_back(static_cast<wchar_t>(byte));
        } else if (byte < 0xFF) {
            field->push_back(static_cast<wchar_t>(0x0410 + (byte - 0x80)));
        } else if (i + 2 < size) {
            field->push_back(static_cast<wchar_t>((data[i + 1] << 8) | data[i + 2]));
            i += 2;
        }
    }
    return input;
}

// --- Trims -----------------------------------------------------------------------------------

void CheckTrimLeft(const std::wstring& text, const wchar_t* set) {
    const wchar_t* members = set != nullptr ? set : L" \t\r\n";
    std::wstring trimmed = text;
    const bool removed = Utils::TrimLeft(trimmed, set);
    Check(trimmed.size() <= text.size(), "TrimLeft only removes");
    const std::size_t count = text.size() - trimmed.size();
    Check(text.compare(count, std::wstring::npos, trimmed) == 0, "TrimLeft keeps a suffix");
    Check(std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count),
                      [members](wchar_t c) { return IsMember(c, members); }),
          "TrimLeft removes only members of the set");
    Check(removed == (count != 0), "TrimLeft is true exactly when it removed something");
    Check(trimmed.empty() || !IsMember(trimmed.front(), members),
          "TrimLeft leaves no member at the front");
}

void CheckTrimRight(const std::wstring& text, const wchar_t* set) {
    const wchar_t* members = set != nullptr ? set : L" \t\r\n";
    std::wstring trimmed = text;
    const bool removed = Utils::TrimRight(trimmed, set);
    Check(trimmed.size() <= text.size(), "TrimRight only removes");
    const std::size_t count = text.size() - trimmed.size();
    Check(text.compare(0, trimmed.size(), trimmed) == 0, "TrimRight keeps a prefix");
    Check(std::all_of(text.end() - static_cast<std::ptrdiff_t>(count), text.end(),
                      [members](wchar_t c) { return IsMember(c, members); }),
          "TrimRight removes only members of the set");
    Check(removed == (count != 0), "TrimRight is true exactly when it removed something");
    Check(trimmed.empty() || !IsMember(trimmed.back(), members),
          "TrimRight leaves no member at the end");
}

// --- SplitPath ------------------------------------------------------------------------------

struct Parts {
    std::wstring folder;
    std::wstring name;
    std::wstring extension;
    bool operator==(const Parts& other) const {
        return folder == other.folder && name == other.name && extension == other.extension;
    }
};

Parts CheckSplitPath(const std::wstring& path) {
    Parts parts{L"stale", L"stale", L"stale"};
    Utils::SplitPath(path, parts.folder, parts.name, parts.extension);

    std::wstring expectedWhole = path;
    if (!expectedWhole.empty() && IsSeparator(expectedWhole.back())) {
        expectedWhole.pop_back();
    }
    Check(parts.folder + parts.name + parts.extension == expectedWhole,
          "SplitPath's parts give the path back less at most one final separator");
    Check(parts.folder.empty() || IsSeparator(parts.folder.back()),
          "SplitPath's folder is empty or ends in its separator");
    Check(!HasSeparator(parts.name), "SplitPath's name holds no separator");
    Check(!HasSeparator(parts.extension), "SplitPath's extension holds no separator");
    Check(parts.extension.empty() || (parts.extension.front() == L'.' &&
                                      parts.extension.find(L'.', 1) == std::wstring::npos),
          "SplitPath's extension is empty or one dot and what follows it");
    Check(!parts.extension.empty() || parts.name.find(L'.') == std::wstring::npos,
          "SplitPath takes an extension whenever the last component holds a dot");

    // The path may be one of the outputs: each aliasing must give the same parts.
    Parts alias = parts;
    alias.folder = path;
    Utils::SplitPath(alias.folder, alias.folder, alias.name, alias.extension);
    Check(alias == parts, "SplitPath with the path as its folder output");
    alias.name = path;
    Utils::SplitPath(alias.name, alias.folder, alias.name, alias.extension);
    Check(alias == parts, "SplitPath with the path as its name output");
    alias.extension = path;
    Utils::SplitPath(alias.extension, alias.folder, alias.name, alias.extension);
    Check(alias == parts, "SplitPath with the path as its extension output");
    return parts;
}

// --- JoinFileName ---------------------------------------------------------------------------

std::wstring CheckJoinFileName(const std::wstring& name, const std::wstring& extension) {
    const std::wstring joined = Utils::JoinFileName(name, extension);
    const std::wstring head = WithoutTrailing(name, L'.', L'.');
    if (extension.empty()) {
        Check(joined == head, "JoinFileName without extension is the name less its final dots");
        return joined;
    }
    const std::wstring tail = WithoutLeading(extension, L'.', L'.');
    Check(joined.size() == head.size() + 1 + tail.size() &&
              joined.compare(0, head.size(), head) == 0 && joined[head.size()] == L'.' &&
              joined.compare(head.size() + 1, std::wstring::npos, tail) == 0,
          "JoinFileName puts exactly one dot between the trimmed name and extension");
    return joined;
}

// --- JoinPath -------------------------------------------------------------------------------

// Everything but separators and the chosen separator: what JoinPath must neither lose nor reorder.
std::wstring Content(const std::wstring& text, wchar_t separator) {
    std::wstring content;
    for (const wchar_t c : text) {
        if (!IsSeparator(c) && c != separator) {
            content.push_back(c);
        }
    }
    return content;
}

// Checks one JoinPath call; returns its result, or nothing when the delimiter was refused.
std::optional<std::wstring> CheckJoinPath(sim::SimulatedSystem& system, const std::wstring& folder,
                                          const std::wstring& fileName, const wchar_t* delimiter) {
    const bool validDelimiter =
        delimiter == nullptr || (delimiter[0] != L'\0' && delimiter[1] == L'\0');
    const std::size_t reportsBefore = system.DebugOutput().size();
    std::wstring result;
    try {
        result = Utils::JoinPath(folder, fileName, delimiter);
    } catch (const Utils::CUtilsError& error) {
        Check(!validDelimiter, "JoinPath throws only for a delimiter that is not one character");
        Check(error.GetCode() == E_FAIL, "JoinPath's delimiter error has the code E_FAIL");
        Check(system.DebugOutput().size() == reportsBefore + 1 &&
                  system.DebugOutput().back() == error.GetFullText(),
              "JoinPath's delimiter error leaves its one debug report");
        return std::nullopt;
    } catch (...) {
        fuzz::Fail("JoinPath throws nothing but Utils::CUtilsError");
    }
    Check(validDelimiter, "JoinPath refuses a delimiter that is not exactly one character");
    Check(system.DebugOutput().size() == reportsBefore, "JoinPath reports nothing when it works");

    const std::size_t first = folder.find_first_of(L"\\/");
    const wchar_t separator = first != std::wstring::npos ? folder[first]
                              : delimiter != nullptr      ? delimiter[0]
                                                          : L'\\';
    Check(std::all_of(result.begin(), result.end(),
                      [separator](wchar_t c) { return !IsSeparator(c) || c == separator; }),
          "JoinPath's result holds only the chosen kind of separator");
    Check(!OnlySeparators(folder) || result.empty() || !IsSeparator(result.front()),
          "JoinPath does not start with a separator when the folder is only separators");
    Check(Content(result, separator) == Content(folder, separator) + Content(fileName, separator),
          "JoinPath keeps every other character of folder and file name, in order");
    const std::wstring head = WithoutTrailing(folder, L'\\', L'/');
    const std::wstring tail = WithoutLeading(fileName, L'\\', L'/');
    Check(result.size() == head.size() + (head.empty() ? 0 : 1) + tail.size(),
          "JoinPath puts one separator between folder and file name, none before an empty folder");
    return result;
}

// --- Round trip -----------------------------------------------------------------------------

// Where SplitPath -> JoinFileName -> JoinPath must give the path back, from the helpers' rules:
// JoinPath makes all separators one kind, SplitPath drops a final separator, JoinFileName
// collapses the dots beside the extension's dot, and JoinPath collapses the separators at the
// end of the folder and drops a folder that is only separators.
bool RoundTripHolds(const std::wstring& path) {
    if (path.find(L'\\') != std::wstring::npos && path.find(L'/') != std::wstring::npos) {
        return false;
    }
    if (!path.empty() && IsSeparator(path.back())) {
        return false;
    }
    const std::size_t lastSeparator = path.find_last_of(L"\\/");
    const std::size_t componentStart = lastSeparator == std::wstring::npos ? 0 : lastSeparator + 1;
    const std::size_t lastDot = path.find_last_of(L'.');
    if (lastDot != std::wstring::npos && lastDot > componentStart && path[lastDot - 1] == L'.') {
        return false;
    }
    if (lastSeparator == std::wstring::npos) {
        return true; // no folder at all
    }
    const std::wstring folder = path.substr(0, lastSeparator + 1);
    if (OnlySeparators(folder)) {
        return false;
    }
    return !IsSeparator(folder[folder.size() - 2]);
}

void CheckRoundTrip(sim::SimulatedSystem& system, const std::wstring& path, const Parts& parts) {
    const std::wstring rebuilt =
        CheckJoinPath(system, parts.folder, CheckJoinFileName(parts.name, parts.extension), nullptr)
            .value();
    // Exactly where the condition holds: outside it some rule above changes the path.
    Check((rebuilt == path) == RoundTripHolds(path),
          "SplitPath -> JoinFileName -> JoinPath gives the path back exactly where it should");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    g_input = Decode(data, size);
    fuzz::CurrentInput() = DescribeInput;
    const Input& in = g_input;

    sim::SimulatedSystem system;
    {
        const os::ScopedSystem installed(system);
        // The set as the helpers take it: NUL-terminated, so it ends at its first NUL.
        const wchar_t* set = in.hasSet ? in.set.c_str() : nullptr;

        for (const std::wstring* text : {&in.path, &in.other}) {
            CheckTrimLeft(*text, nullptr);
            CheckTrimRight(*text, nullptr);
            if (set != nullptr) {
                CheckTrimLeft(*text, set);
                CheckTrimRight(*text, set);
            }
        }

        const Parts parts = CheckSplitPath(in.path);
        CheckSplitPath(in.other);
        CheckRoundTrip(system, in.path, parts);
        CheckJoinFileName(in.path, in.other);

        CheckJoinPath(system, in.path, in.other, nullptr);
        if (set != nullptr) {
            CheckJoinPath(system, in.path, in.other, set);
        }
    }
    const std::vector<std::string> faults = system.Faults();
    if (!faults.empty()) {
        fuzz::Fail("the simulated system has no fault: " + faults.front());
    }
    return 0;
}
