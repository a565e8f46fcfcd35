#include "processes/processes.h"

#include "os/system.h"
#include "utils/handle.h"
#include "utils/utils_error.h"

#include <algorithm>

namespace {

// Request sizes grow in these steps; EnumProcesses is handed the size in bytes, a quarter of
// what the id list holds, so each call can return at most a quarter of its slots.
constexpr DWORD kRequestStep = 1024;
// A result this close to the offered size may have been cut short: ask again with more room.
constexpr DWORD kFullMargin = 5;

// Sizes handed to the system in DWORDs: sizeof is a size_t, 64 bits wide on 64-bit Windows.
constexpr DWORD kIdBytes = sizeof(DWORD);
constexpr DWORD kModuleBytes = sizeof(HMODULE);

constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kNameBufferLength = 1024;

// The text of a name buffer up to its first zero, never more than the buffer holds.
std::wstring TextOf(const std::vector<wchar_t>& buffer) {
    return {buffer.begin(), std::find(buffer.begin(), buffer.end(), L'\0')};
}

} // namespace

void CProcesses::Enumerate() {
    // The count must never promise entries that the lists, about to be reset, do not hold.
    m_count = 0;
    DWORD requestSize = kRequestStep;
    for (;;) {
        m_ids.assign(requestSize, 0);
        m_baseNames.assign(requestSize, std::wstring());
        m_imagePaths.assign(requestSize, std::wstring());

        DWORD returnedBytes = 0;
        if (!os::EnumProcesses(m_ids.data(), requestSize, &returnedBytes)) {
            return;
        }
        if (requestSize - returnedBytes <= kFullMargin) {
            requestSize += kRequestStep;
            continue;
        }
        m_count = returnedBytes / kIdBytes;
        return;
    }
}

void CProcesses::ReadNames() {
    for (DWORD index = 0; index < m_count; ++index) {
        const Utils::CThreadHandle process(
            os::OpenProcess(kQueryAccess, FALSE, GetProcessId(index)));
        if (!process.IsValid()) {
            continue;
        }

        HMODULE mainModule = nullptr;
        DWORD neededBytes = 0;
        if (!os::EnumProcessModules(process.Get(), &mainModule, kModuleBytes, &neededBytes)) {
            continue;
        }

        std::vector<wchar_t> baseName(kNameBufferLength, L'\0');
        if (os::GetModuleBaseNameW(process.Get(), mainModule, baseName.data(), kNameBufferLength) ==
            0) {
            continue;
        }
        m_baseNames.at(index) = TextOf(baseName);

        std::vector<wchar_t> imagePath(kNameBufferLength, L'\0');
        if (os::GetModuleFileNameExW(process.Get(), nullptr, imagePath.data(), kNameBufferLength) !=
            0) {
            m_imagePaths.at(index) = TextOf(imagePath);
        }
    }
}

DWORD CProcesses::GetProcessId(DWORD index) const {
    if (!(index < m_count)) {
        throw Utils::CUtilsError(L"CProcesses::GetProcessId(): Wrong index " +
                                     Utils::IntToWString(static_cast<std::int32_t>(index)),
                                 E_FAIL);
    }
    return m_ids.at(index);
}
