// A snapshot of the processes that run at one moment: ids, executable base names, image paths.
#pragma once

#include "os/win32.h"

#include <string>
#include <vector>

class CProcesses {
public:
    CProcesses() = default;
    CProcesses(const CProcesses&) = delete;
    CProcesses& operator=(const CProcesses&) = delete;

    // Takes a fresh snapshot of the process ids and empties both text lists. A failed snapshot
    // leaves a count of 0; only an allocation failure leaves it.
    void Enumerate();
    // Reads the base name and image path of every process below the count, as far as each process
    // lets itself be read; entries that cannot be read keep empty texts.
    void ReadNames();

    // Throws Utils::CUtilsError (E_FAIL) for an index at or past the count.
    DWORD GetProcessId(DWORD index) const;
    DWORD GetCount() const { return m_count; }

    // For terminal selection: each list holds at least GetCount() entries, entry i of both lists
    // describes the same process, and an empty path means that it could not be read.
    const std::vector<DWORD>& GetIds() const { return m_ids; }
    const std::vector<std::wstring>& GetImagePaths() const { return m_imagePaths; }

private:
    friend class CProcessesInspector; // tests read the base names

    // Destroyed in reverse order: image paths, base names, ids.
    std::vector<DWORD> m_ids;
    std::vector<std::wstring> m_baseNames;
    std::vector<std::wstring> m_imagePaths;
    DWORD m_count = 0;
};
