// Fuzz target for terminal selection over a fuzzed process table in the simulated system.
//
// Input: lines, each one record; the first byte says which (any other byte picks one by value):
//   P<id><flags><path>  a process; flags bit 0: cannot be opened, 1: modules cannot be listed,
//                       2: base name fails, 3: path fails ('0' is a readable process)
//   F<path>, D<path>    a file or a folder
//   C<process><variant> a companion beside an earlier process (process: byte modulo their
//                       count); variant bit 0: a folder, bit 1: the other kind of separator,
//                       bits 2-3: as written, upper case, lower case, or glued to the folder
// Path bytes are taken as they are when printable; other bytes become separators, dots or
// letters of both file names, in either case.
//
// The expected targets come from an oracle of its own: the file name rebuilt from the image
// path's last component, compared without regard to case, and the companion looked up in the
// files this target added, as the model compares paths (case and separator kind ignored).
#include "fuzz_check.h"

#include "os/system.h"
#include "processes/processes.h"
#include "processes/terminals.h"
#include "support/simulated_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

using fuzz::Check;

constexpr std::size_t kMaxProcesses = 32;
// ReadNames reads an image path into a buffer of this many characters.
constexpr std::size_t kPathBufferLength = 1024;
constexpr const wchar_t* kCompanion = L"MetaEditor.exe";

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t Upper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// How the model compares paths: ASCII case and the kind of separator do not matter.
std::wstring Key(const std::wstring& path) {
    std::wstring key;
    for (const wchar_t c : path) {
        key.push_back(c == L'/' ? L'\\' : Upper(c));
    }
    return key;
}

struct ProcessRecord {
    DWORD id = 0;
    std::wstring path;
    unsigned flags = 0;
};

struct Model {
    std::vector<ProcessRecord> processes;
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
};

Model g_model;

std::string IdList(const std::vector<DWORD>& ids) {
    std::string text = "{";
    for (const DWORD id : ids) {
        text += (text.size() > 1 ? ", " : "") + std::to_string(id);
    }
    return text + "}";
}

std::string DescribeInput() {
    std::string text;
    for (const ProcessRecord& p : g_model.processes) {
        text += "\n  process " + std::to_string(p.id) + " flags " + std::to_string(p.flags) + " " +
                fuzz::Escape(p.path);
    }
    for (const std::wstring& f : g_model.files) {
        text += "\n  file " + fuzz::Escape(f);
    }
    for (const std::wstring& f : g_model.folders) {
        text += "\n  folder " + fuzz::Escape(f);
    }
    return text.empty() ? "no record" : text;
}

wchar_t PathChar(std::uint8_t byte) {
    if (byte >= 0x20 && byte < 0x7F) {
        return static_cast<wchar_t>(byte);
    }
    static const std::wstring alphabet = L"\\/.terminalexdoTERMINALEXDO";
    return alphabet[byte % alphabet.size()];
}

std::wstring PathOf(const std::uint8_t* begin, const std::uint8_t* end) {
    std::wstring path;
    for (const std::uint8_t* p = begin; p < end; ++p) {
        path.push_back(PathChar(*p));
    }
    return path;
}

// A companion in the folder of an image path (up to its last separator), written as the variant
// says.
std::wstring CompanionBeside(const std::wstring& imagePath, unsigned variant) {
    std::wstring folder = imagePath.substr(0, imagePath.find_last_of(L"\\/") + 1);
    if ((variant & 2) != 0) {
        for (wchar_t& c : folder) {
            c = c == L'\\' ? L'/' : c == L'/' ? L'\\' : c;
        }
    }
    std::wstring name = kCompanion;
    switch ((variant >> 2) & 3) {
    case 1:
        std::transform(name.begin(), name.end(), name.begin(), Upper);
        break;
    case 2:
        std::transform(name.begin(), name.end(), name.begin(), Lower);
        break;
    case 3: // a near miss: no separator between the folder and the name
        if (!folder.empty()) {
            folder.pop_back();
        }
        break;
    default:
        break;
    }
    return folder + name;
}

// One record: its kind, then its bytes.
void DecodeRecord(const std::uint8_t* line, std::size_t length, std::set<DWORD>& ids,
                  Model& model) {
    static const char kinds[] = "PFDC";
    const char kind = std::find(kinds, kinds + 4, static_cast<char>(line[0])) != kinds + 4
                          ? static_cast<char>(line[0])
                          : kinds[line[0] % 4];
    const std::uint8_t* lineEnd = line + length;
    if (kind == 'P' && model.processes.size() < kMaxProcesses) {
        ProcessRecord process;
        // Ids are unique, as in a real snapshot; 0 is allowed once (the idle pseudo-process).
        DWORD id = length > 1 ? line[1] : 0;
        while (ids.count(id) != 0) {
            ++id;
        }
        ids.insert(id);
        process.id = id;
        process.flags = length > 2 ? line[2] & 0x0Fu : 0;
        process.path = PathOf(line + std::min<std::size_t>(length, 3), lineEnd);
        model.processes.push_back(process);
    } else if (kind == 'F') {
        model.files.push_back(PathOf(line + 1, lineEnd));
    } else if (kind == 'D') {
        model.folders.push_back(PathOf(line + 1, lineEnd));
    } else if (kind == 'C' && !model.processes.empty()) {
        const std::size_t owner = (length > 1 ? line[1] : 0) % model.processes.size();
        const unsigned variant = length > 2 ? line[2] : 0;
        const std::wstring companion = CompanionBeside(model.processes[owner].path, variant);
        ((variant & 1) != 0 ? model.folders : model.files).push_back(companion);
    }
}

Model Decode(const std::uint8_t* data, std::size_t size) {
    Model model;
    std::set<DWORD> ids;
    std::size_t start = 0;
    while (start < size) {
        const std::uint8_t* lineEnd = std::find(data + start, data + size, '\n');
        const auto length = static_cast<std::size_t>(lineEnd - (data + start));
        if (length != 0) {
            DecodeRecord(data + start, length, ids, model);
        }
        start += length + 1;
    }
    return model;
}

// --- The oracle ------------------------------------------------------------------------------

// The image path the table should hold for a process: empty when the process cannot be read.
// The model's base name is the path's last component, so a path ending in a separator has an
// empty base name, which reads as a failure and leaves the path unread too.
std::wstring ExpectedImagePath(const ProcessRecord& process) {
    const unsigned unreadable = 1 | 2 | 4 | 8;
    if (process.id == 0 || (process.flags & unreadable) != 0 || process.path.empty() ||
        IsSeparator(process.path.back())) {
        return std::wstring();
    }
    // A path that does not fit with its terminator comes cut one short of the buffer, terminated.
    return process.path.size() < kPathBufferLength ? process.path
                                                   : process.path.substr(0, kPathBufferLength - 1);
}

bool IsTerminal(const std::wstring& imagePath, const std::set<std::wstring>& existing) {
    if (imagePath.empty()) {
        return false;
    }
    std::wstring work = imagePath;
    if (IsSeparator(work.back())) {
        work.pop_back(); // one final separator is not part of the name
    }
    const std::size_t cut = work.find_last_of(L"\\/");
    const std::size_t componentStart = cut == std::wstring::npos ? 0 : cut + 1;
    std::wstring component = work.substr(componentStart);

    // The dots that run into the extension's dot count as that one dot.
    const std::size_t dot = component.find_last_of(L'.');
    if (dot != std::wstring::npos) {
        std::size_t runStart = dot;
        while (runStart > 0 && component[runStart - 1] == L'.') {
            --runStart;
        }
        component.erase(runStart, dot - runStart);
    }
    if (Key(component) != Key(L"terminal.exe")) {
        return false;
    }

    // Beside it: the folder less its final separators, then one separator; a folder of
    // separators only leaves the bare name.
    std::wstring folder = work.substr(0, componentStart);
    while (!folder.empty() && IsSeparator(folder.back())) {
        folder.pop_back();
    }
    const std::wstring companion = folder.empty() ? kCompanion : folder + L"\\" + kCompanion;
    return existing.count(Key(companion)) != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    g_model = Decode(data, size);
    fuzz::CurrentInput() = DescribeInput;
    const Model& model = g_model;

    sim::SimulatedSystem system;
    std::set<std::wstring> existing;
    for (const ProcessRecord& record : model.processes) {
        sim::Process& process = system.AddProcess(record.id, record.path);
        process.user = (record.flags & 1) == 0 ? sim::kOwnAccount : sim::kOtherAccount;
        process.modulesLoaded = (record.flags & 2) == 0;
        process.baseNameFails = (record.flags & 4) != 0;
        process.pathFails = (record.flags & 8) != 0;
    }
    for (const std::wstring& file : model.files) {
        system.AddFile(file);
        existing.insert(Key(file));
    }
    for (const std::wstring& folder : model.folders) {
        system.AddFolder(folder);
        existing.insert(Key(folder));
    }

    std::vector<DWORD> expected;
    for (const ProcessRecord& record : model.processes) {
        if (IsTerminal(ExpectedImagePath(record), existing)) {
            expected.push_back(record.id);
        }
    }

    {
        const os::ScopedSystem installed(system);
        CProcesses processes;
        processes.Enumerate();
        processes.ReadNames();
        Check(processes.GetCount() == model.processes.size(), "the table holds every process");
        for (std::size_t i = 0; i < model.processes.size(); ++i) {
            Check(processes.GetIds().at(i) == model.processes[i].id, "the table keeps the ids");
            Check(processes.GetImagePaths().at(i) == ExpectedImagePath(model.processes[i]),
                  "the table holds the image path exactly where it can be read");
        }
        Check(system.OpenHandleCount() == 0, "ReadNames leaves no process handle open");

        std::vector<DWORD> targets{0xDEAD, 0xBEEF}; // whatever the list held is dropped
        FindTerminals(L"terminal.exe", L"MetaEditor.exe", processes, targets);
        if (targets != expected) {
            fuzz::Fail("FindTerminals selects exactly the expected ids, in order: expected " +
                       IdList(expected) + ", got " + IdList(targets));
        }
        Check(system.DebugOutput().empty(), "nothing is reported to the debugger");
    }
    const std::vector<std::string> faults = system.Faults();
    if (!faults.empty()) {
        fuzz::Fail("the simulated system has no fault: " + faults.front());
    }
    return 0;
}
