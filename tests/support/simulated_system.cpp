#include "support/simulated_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace sim {
namespace {

constexpr std::uintptr_t kModuleBase = 0x400000;
// Last errors that the program never names, so its header does not define them.
constexpr DWORD kPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
constexpr DWORD kInvalidName = 123; // ERROR_INVALID_NAME

// What reading a process's modules takes.
constexpr DWORD kReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

HMODULE MainModuleOf(DWORD processId) {
    return reinterpret_cast<HMODULE>(kModuleBase + std::uintptr_t{processId} * 0x10000);
}

std::wstring BaseNameOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Copies a text into a caller's buffer the way the module name queries do. The base name query
// cuts a text that does not fit to the buffer's size, leaves it without a terminator and returns
// the count copied. The path query cuts it one shorter, ends it with a terminator and returns the
// buffer's size.
DWORD CopyName(const std::wstring& text, LPWSTR buffer, DWORD size, bool terminated) {
    const auto length = static_cast<DWORD>(text.size());
    if (size == 0) {
        return 0;
    }
    if (length < size) {
        std::copy_n(text.begin(), length, buffer);
        buffer[length] = L'\0';
        return length;
    }
    if (!terminated) {
        std::copy_n(text.begin(), size, buffer);
        return size;
    }
    std::copy_n(text.begin(), size - 1, buffer);
    buffer[size - 1] = L'\0';
    return size;
}

wchar_t FoldCase(wchar_t c) {
    if (c >= L'a' && c <= L'z') {
        return static_cast<wchar_t>(c - L'a' + L'A');
    }
    if (c >= 0x0430 && c <= 0x044F) { // Cyrillic small letters
        return static_cast<wchar_t>(c - 0x20);
    }
    return c;
}

int EncodeCp866(wchar_t c) {
    if (static_cast<std::uint32_t>(c) < 0x80) {
        return static_cast<int>(c);
    }
    if (c >= 0x0410 && c <= 0x043F) {
        return 0x80 + (c - 0x0410);
    }
    if (c >= 0x0440 && c <= 0x044F) {
        return 0xE0 + (c - 0x0440);
    }
    if (c == 0x0401) {
        return 0xF0;
    }
    if (c == 0x0451) {
        return 0xF1;
    }
    return '?';
}

std::string Describe(HANDLE handle) {
    std::ostringstream text;
    text << "0x" << std::hex << reinterpret_cast<std::uintptr_t>(handle);
    return text.str();
}

} // namespace

std::string ToCp866(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) {
        narrow.push_back(static_cast<char>(EncodeCp866(c)));
    }
    return narrow;
}

SimulatedSystem::SimulatedSystem() {
    // Texts that FormatMessageW knows, as Windows has them: with their closing line break. The
    // codes are those that a failed conversion can raise; only their facility-Win32 forms are
    // known, so that a code cut to its low word shows.
    SetSystemMessage(ERROR_SUCCESS, L"The operation completed successfully.\r\n");
    SetSystemMessage(0x80070057, L"The parameter is incorrect.\r\n");
    SetSystemMessage(0x800703EC, L"Invalid flags.\r\n");
}

SimulatedSystem::~SimulatedSystem() {
    for (const std::string& fault : Faults()) {
        ADD_FAILURE() << "simulated system: " << fault;
    }
    // Reported above; released here so that the leak is the test's finding, not the sanitizer's.
    for (const void* memory : m_localAllocations) {
        delete[] static_cast<const wchar_t*>(memory);
    }
}

std::vector<std::string> SimulatedSystem::Faults() const {
    std::vector<std::string> faults;
    for (const auto& [handle, open] : m_openHandles) {
        faults.push_back("leaked handle " + Describe(handle) + " of process " +
                         std::to_string(open.processId));
    }
    faults.insert(faults.end(), m_badCloses.begin(), m_badCloses.end());
    for (const void* memory : m_localAllocations) {
        faults.push_back("leaked buffer " + Describe(const_cast<void*>(memory)) + " for LocalFree");
    }
    faults.insert(faults.end(), m_badFrees.begin(), m_badFrees.end());
    return faults;
}

// --- The model -------------------------------------------------------------------------------

Process& SimulatedSystem::AddProcess(DWORD id, const std::wstring& imagePath) {
    Process process;
    process.id = id;
    process.imagePath = imagePath;
    m_processes.push_back(process);
    m_processIndex.emplace(id, &m_processes.back()); // an id added before keeps its entry
    return m_processes.back();
}

void SimulatedSystem::AddOrdinaryProcesses(DWORD count, DWORD first) {
    for (DWORD i = 0; i < count; ++i) {
        const DWORD id = first + 4 * i;
        AddProcess(id, L"C:\\Windows\\System32\\svc" + std::to_wstring(id) + L".exe");
    }
}

void SimulatedSystem::RemoveProcess(DWORD id) {
    m_processes.erase(std::remove_if(m_processes.begin(), m_processes.end(),
                                     [id](const Process& p) { return p.id == id; }),
                      m_processes.end());
    // Erasing moved the processes behind the removed ones.
    m_processIndex.clear();
    for (const Process& process : m_processes) {
        m_processIndex.emplace(process.id, &process);
    }
}

void SimulatedSystem::AddWindow(std::uintptr_t handle, std::uintptr_t parent, DWORD processId,
                                LONG extendedStyle) {
    if (m_windows.count(handle) != 0) {
        ADD_FAILURE() << "simulated system: window " << handle << " added twice";
        return;
    }
    Window window;
    window.parent = parent;
    window.processId = processId;
    window.extendedStyle = extendedStyle;
    // A window lies on its parent's desktop, a top-level one on that of its process's login.
    const Process* owner = FindProcess(processId);
    window.session = parent != 0        ? m_windows.at(parent).session
                     : owner != nullptr ? owner->session
                                        : Process().session;
    m_windows[handle] = window;
    if (parent == 0) {
        m_topLevel.push_back(handle);
    } else {
        m_windows.at(parent).children.push_back(handle);
    }
}

void SimulatedSystem::DestroyWindow(std::uintptr_t handle) {
    const auto found = m_windows.find(handle);
    if (found == m_windows.end()) {
        return;
    }
    const std::uintptr_t parent = found->second.parent;
    auto& siblings = parent == 0 ? m_topLevel : m_windows.at(parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), handle), siblings.end());
    ForgetWindow(handle);
}

void SimulatedSystem::ForgetWindow(std::uintptr_t handle) {
    const std::vector<std::uintptr_t> children = m_windows.at(handle).children;
    for (const std::uintptr_t child : children) {
        ForgetWindow(child);
    }
    m_windows.erase(handle);
}

std::wstring SimulatedSystem::FileKey(const std::wstring& path) {
    std::wstring key;
    for (const wchar_t c : path) {
        key.push_back(c == L'/' ? L'\\' : FoldCase(c));
    }
    return key;
}

bool SimulatedSystem::FolderExists(const std::wstring& folderKey) const {
    // The current folder, a drive's root and any folder that holds something the model knows.
    if (folderKey.empty() || (folderKey.size() == 3 && folderKey[1] == L':')) {
        return true;
    }
    const auto next = m_files.lower_bound(folderKey);
    const std::wstring folder = folderKey.substr(0, folderKey.size() - 1);
    return m_files.count(folder) != 0 ||
           (next != m_files.end() && next->first.compare(0, folderKey.size(), folderKey) == 0);
}

void SimulatedSystem::AddFile(const std::wstring& path) {
    m_files[FileKey(path)] = FILE_ATTRIBUTE_ARCHIVE;
}

void SimulatedSystem::AddFolder(const std::wstring& path) {
    m_files[FileKey(path)] = FILE_ATTRIBUTE_DIRECTORY;
}

void SimulatedSystem::RemoveFile(const std::wstring& path) {
    m_files.erase(FileKey(path));
}

void SimulatedSystem::SetSystemMessage(DWORD messageId, const std::wstring& text) {
    m_messages[messageId] = text;
}

// --- Scripted behaviour ----------------------------------------------------------------------

void SimulatedSystem::FailCall(const std::string& call, int occurrence, DWORD lastError) {
    m_failures[{call, occurrence}] = lastError;
}

void SimulatedSystem::FailAlways(const std::string& call, DWORD lastError) {
    m_permanentFailures[call] = lastError;
}

void SimulatedSystem::OnCall(const std::string& call, int occurrence,
                             std::function<void()> action) {
    m_hooks.emplace(std::make_pair(call, occurrence), std::move(action));
}

bool SimulatedSystem::Enter(const char* call) {
    auto count = m_callCounts.find(call);
    if (count == m_callCounts.end()) {
        count = m_callCounts.emplace(call, 0).first;
    }
    const int occurrence = ++count->second;
    // The key is built only when something is scripted by occurrence.
    if (!m_hooks.empty() || !m_failures.empty()) {
        const auto key = std::make_pair(std::string(call), occurrence);
        const auto hooks = m_hooks.equal_range(key);
        for (auto hook = hooks.first; hook != hooks.second; ++hook) {
            hook->second();
        }
        if (const auto failure = m_failures.find(key); failure != m_failures.end()) {
            m_lastError = failure->second;
            return true;
        }
    }
    if (const auto failure = m_permanentFailures.find(call); failure != m_permanentFailures.end()) {
        m_lastError = failure->second;
        return true;
    }
    return false;
}

// --- Recorders -------------------------------------------------------------------------------

int SimulatedSystem::CallCount(const std::string& call) const {
    const auto found = m_callCounts.find(call);
    return found == m_callCounts.end() ? 0 : found->second;
}

int SimulatedSystem::TotalCalls() const {
    int total = 0;
    for (const auto& entry : m_callCounts) {
        total += entry.second;
    }
    return total;
}

void SimulatedSystem::ClearRecords() {
    m_enumBufferSizes.clear();
    m_openCalls.clear();
    m_moduleBufferSizes.clear();
    m_fileNameModules.clear();
    m_formatCalls.clear();
    m_debugOutput.clear();
    m_posted.clear();
    m_sleeps.clear();
    m_childEnumParents.clear();
    m_fileQueries.clear();
    m_callCounts.clear();
    m_failures.clear();
    m_hooks.clear();
}

// --- Processes -------------------------------------------------------------------------------

const Process* SimulatedSystem::FindProcess(DWORD id) const {
    if (const auto indexed = m_processIndex.find(id);
        indexed != m_processIndex.end() && indexed->second->id == id) {
        return indexed->second;
    }
    const auto found = std::find_if(m_processes.begin(), m_processes.end(),
                                    [id](const Process& p) { return p.id == id; });
    return found == m_processes.end() ? nullptr : &*found;
}

const Process* SimulatedSystem::ProcessOfHandle(HANDLE handle, DWORD access) {
    const auto open = m_openHandles.find(handle);
    if (open == m_openHandles.end() || open->second.kind != Kind::Process) {
        m_badCloses.push_back("use of handle " + Describe(handle) + " that is no open process's");
        m_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if ((open->second.access & access) != access) {
        m_lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    const Process* process = FindProcess(open->second.processId);
    if (process == nullptr) { // ended while the handle was open: its memory cannot be read
        m_lastError = ERROR_ACCESS_DENIED;
    }
    return process;
}

BOOL SimulatedSystem::EnumProcesses(DWORD* processIds, DWORD bufferBytes, DWORD* returnedBytes) {
    m_enumBufferSizes.push_back(bufferBytes);
    if (Enter("EnumProcesses")) {
        return FALSE;
    }
    const std::size_t room = bufferBytes / sizeof(DWORD);
    const std::size_t copied = std::min(room, m_processes.size());
    for (std::size_t i = 0; i < copied; ++i) {
        processIds[i] = m_processes[i].id;
    }
    *returnedBytes = static_cast<DWORD>(copied * sizeof(DWORD));
    return TRUE;
}

DWORD SimulatedSystem::GrantedAccess(const Process& process) const {
    constexpr DWORD kAll = 0x001FFFFF; // PROCESS_ALL_ACCESS
    // The system's own processes let the administrators read them, but their integrity is above
    // any user's, and a process of lower integrity is refused every right that reads but the
    // limited query.
    if (process.user == kSystemAccount) {
        return self.elevated != 0 ? PROCESS_QUERY_LIMITED_INFORMATION : 0;
    }
    // A user's process's security comes from its token: an elevated one's grants everything to
    // the administrators (whose group counts only in an elevated token), a standard one's to its
    // account; either grants reading to its login. Its integrity then refuses a process of lower
    // integrity every right that reads, but the limited query.
    const bool everything = process.elevated ? self.elevated != 0 : process.user == self.user;
    const bool sameLogin = process.user == self.user && process.session == self.session;
    if (!everything && !sameLogin) {
        return 0;
    }
    return process.elevated && self.elevated == 0 ? PROCESS_QUERY_LIMITED_INFORMATION : kAll;
}

HANDLE SimulatedSystem::OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId) {
    m_openCalls.push_back(OpenProcessCall{desiredAccess, inheritHandle, processId});
    if (Enter("OpenProcess")) {
        return nullptr;
    }
    const Process* process = FindProcess(processId);
    if (process == nullptr || processId == 0) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    if ((desiredAccess & ~GrantedAccess(*process)) != 0) {
        m_lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    // The full query brings the limited one with it.
    const DWORD granted = (desiredAccess & PROCESS_QUERY_INFORMATION) != 0
                              ? desiredAccess | PROCESS_QUERY_LIMITED_INFORMATION
                              : desiredAccess;
    return NewHandle(OpenHandle{processId, {}, Kind::Process, granted});
}

BOOL SimulatedSystem::QueryFullProcessImageNameW(HANDLE process, DWORD flags, LPWSTR name,
                                                 DWORD* size) {
    if (Enter("QueryFullProcessImageNameW")) {
        return FALSE;
    }
    const Process* owner = ProcessOfHandle(process, PROCESS_QUERY_LIMITED_INFORMATION);
    if (owner == nullptr) {
        return FALSE;
    }
    if (flags != 0) { // the native form is not modelled
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const auto length = static_cast<DWORD>(owner->imagePath.size());
    if (length >= *size) { // no room for the terminator: nothing is written
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    std::copy(owner->imagePath.begin(), owner->imagePath.end(), name);
    name[length] = L'\0';
    *size = length;
    return TRUE;
}

HANDLE SimulatedSystem::NewHandle(OpenHandle open) {
    auto* const handle = reinterpret_cast<HANDLE>(m_nextHandle);
    m_nextHandle += 4;
    m_openHandles[handle] = std::move(open);
    ++m_handlesOpened;
    return handle;
}

BOOL SimulatedSystem::EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bufferBytes,
                                         DWORD* neededBytes) {
    m_moduleBufferSizes.push_back(bufferBytes);
    if (Enter("EnumProcessModules")) {
        return FALSE;
    }
    const Process* owner = ProcessOfHandle(process, kReadAccess);
    if (owner == nullptr) {
        return FALSE;
    }
    if (!owner->modulesLoaded || OutOfWordSize(*owner)) {
        m_lastError = ERROR_PARTIAL_COPY;
        return FALSE;
    }
    constexpr DWORD kModuleCount = 3; // the executable and two libraries
    const DWORD room = std::min<DWORD>(bufferBytes / sizeof(HMODULE), kModuleCount);
    for (DWORD i = 0; i < room; ++i) {
        modules[i] = i == 0 ? MainModuleOf(owner->id)
                            : reinterpret_cast<HMODULE>(0x7FF00000 + std::uintptr_t{i} * 0x10000);
    }
    *neededBytes = kModuleCount * sizeof(HMODULE);
    return TRUE;
}

DWORD SimulatedSystem::GetModuleBaseNameW(HANDLE process, HMODULE module, LPWSTR baseName,
                                          DWORD size) {
    if (Enter("GetModuleBaseNameW")) {
        return 0;
    }
    const Process* owner = ProcessOfHandle(process, kReadAccess);
    if (owner == nullptr) {
        return 0;
    }
    if (OutOfWordSize(*owner)) {
        m_lastError = ERROR_PARTIAL_COPY;
        return 0;
    }
    if (owner->baseNameFails || module != MainModuleOf(owner->id)) {
        m_lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    return CopyName(BaseNameOf(owner->imagePath), baseName, size, false);
}

DWORD SimulatedSystem::GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName,
                                            DWORD size) {
    m_fileNameModules.push_back(module);
    if (Enter("GetModuleFileNameExW")) {
        return 0;
    }
    const Process* owner = ProcessOfHandle(process, kReadAccess);
    if (owner == nullptr) {
        return 0;
    }
    if (OutOfWordSize(*owner)) {
        m_lastError = ERROR_PARTIAL_COPY;
        return 0;
    }
    if (owner->pathFails || (module != nullptr && module != MainModuleOf(owner->id))) {
        m_lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    return CopyName(owner->imagePath, fileName, size, true);
}

BOOL SimulatedSystem::CloseHandle(HANDLE object) {
    const bool scriptedFailure = Enter("CloseHandle");
    const auto open = m_openHandles.find(object);
    if (open == m_openHandles.end()) {
        m_badCloses.push_back("CloseHandle of handle " + Describe(object) + " that is not open");
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    // Like the real call, a reported failure still ends the handle's life.
    const std::wstring name = open->second.mutexName;
    if (!name.empty() && --m_mutexHandles[name] == 0) {
        m_mutexHandles.erase(name);
    }
    m_openHandles.erase(open);
    ++m_handlesClosed;
    return scriptedFailure ? FALSE : TRUE;
}

BOOL SimulatedSystem::ProcessIdToSessionId(DWORD processId, DWORD* sessionId) {
    if (Enter("ProcessIdToSessionId")) {
        return FALSE;
    }
    const Process* process = FindProcess(processId);
    if (process == nullptr) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    // It opens the process for the limited query.
    if ((GrantedAccess(*process) & PROCESS_QUERY_LIMITED_INFORMATION) == 0) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    *sessionId = process->session;
    return TRUE;
}

HANDLE SimulatedSystem::CreateToolhelp32Snapshot(DWORD flags, DWORD) {
    if (Enter("CreateToolhelp32Snapshot")) {
        return INVALID_HANDLE_VALUE;
    }
    if (flags != TH32CS_SNAPPROCESS) { // modules, threads and heaps are not modelled
        m_lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    // Every process, whoever runs it and in whatever session, by its executable's name.
    m_lastError = ERROR_SUCCESS; // as the real call leaves it
    OpenHandle snapshot{0, {}, Kind::Snapshot};
    for (const Process& process : m_processes) {
        snapshot.processes.emplace_back(process.id, BaseNameOf(process.imagePath));
    }
    return NewHandle(std::move(snapshot));
}

BOOL SimulatedSystem::NextOfSnapshot(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
    if (!IsOpen(snapshot, Kind::Snapshot)) {
        return FALSE;
    }
    // As Wine answers; Windows may answer ERROR_BAD_LENGTH (not tried). The program reads neither.
    if (entry->dwSize < sizeof(PROCESSENTRY32W)) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    OpenHandle& open = m_openHandles.at(snapshot);
    open.next = first ? 0 : open.next;
    if (open.next >= open.processes.size()) {
        m_lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    const auto& [id, name] = open.processes[open.next++];
    const DWORD size = entry->dwSize;
    *entry = PROCESSENTRY32W{};
    entry->dwSize = size;
    entry->th32ProcessID = id;
    entry->cntThreads = 1;
    const std::size_t length = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::copy_n(name.begin(), length, entry->szExeFile);
    return TRUE;
}

BOOL SimulatedSystem::Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return Enter("Process32FirstW") ? FALSE : NextOfSnapshot(snapshot, entry, true);
}

BOOL SimulatedSystem::Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) {
    return Enter("Process32NextW") ? FALSE : NextOfSnapshot(snapshot, entry, false);
}

// --- Windows ---------------------------------------------------------------------------------

BOOL SimulatedSystem::EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
    if (Enter("EnumWindows")) {
        return FALSE;
    }
    // Like the real call: the list is taken first, windows gone by their turn are skipped.
    const std::vector<std::uintptr_t> windows = m_topLevel;
    return Deliver(windows, callback, parameter);
}

BOOL SimulatedSystem::Deliver(const std::vector<std::uintptr_t>& windows, WNDENUMPROC callback,
                              LPARAM parameter) {
    for (const std::uintptr_t window : windows) {
        const auto found = m_windows.find(window);
        if (found == m_windows.end()) {
            m_lastError = ERROR_INVALID_WINDOW_HANDLE; // the system's test of the handle says so
            continue;
        }
        if (found->second.session != self.session) {
            continue; // on the desktop of another login
        }
        if (!callback(Hwnd(window), parameter)) {
            ++m_enumerationsCutShort;
            return FALSE;
        }
    }
    return TRUE;
}

void SimulatedSystem::CollectDescendants(std::uintptr_t handle,
                                         std::vector<std::uintptr_t>& out) const {
    for (const std::uintptr_t child : m_windows.at(handle).children) {
        out.push_back(child);
        CollectDescendants(child, out);
    }
}

BOOL SimulatedSystem::EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM parameter) {
    m_childEnumParents.push_back(parent);
    if (Enter("EnumChildWindows")) {
        return FALSE;
    }
    if (m_windows.count(HandleValue(parent)) == 0) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    // Sized exactly, so that the model's own storage grows in one step (tests that make the
    // program's allocations fail rely on that).
    std::vector<std::uintptr_t> descendants;
    descendants.reserve(CountDescendants(HandleValue(parent)));
    CollectDescendants(HandleValue(parent), descendants);
    if (descendants.empty()) {
        return FALSE; // as the real call answers a window without children
    }
    return Deliver(descendants, callback, parameter);
}

std::size_t SimulatedSystem::CountDescendants(std::uintptr_t handle) const {
    std::size_t count = 0;
    for (const std::uintptr_t child : m_windows.at(handle).children) {
        count += 1 + CountDescendants(child);
    }
    return count;
}

DWORD SimulatedSystem::GetWindowThreadProcessId(HWND window, DWORD* processId) {
    if (Enter("GetWindowThreadProcessId")) {
        return 0;
    }
    const auto found = m_windows.find(HandleValue(window));
    if (found == m_windows.end()) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return 0; // the owner id is left as it was
    }
    if (processId != nullptr) {
        *processId = found->second.processId;
    }
    return found->second.processId + 1; // a thread id of the owner
}

LONG SimulatedSystem::GetWindowLongW(HWND window, int index) {
    if (Enter("GetWindowLongW")) {
        return 0;
    }
    const auto found = m_windows.find(HandleValue(window));
    if (found == m_windows.end()) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return 0;
    }
    if (index != GWL_EXSTYLE) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    return found->second.extendedStyle;
}

BOOL SimulatedSystem::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Enter("PostMessageA")) {
        return FALSE;
    }
    if (m_windows.count(HandleValue(window)) == 0) {
        m_lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    m_posted.push_back(PostedMessage{window, message, wParam, lParam});
    return TRUE;
}

BOOL SimulatedSystem::IsHungAppWindow(HWND window) {
    Enter("IsHungAppWindow"); // it has no failure to report
    // For a vanished window, as under Wine, the answer is FALSE and the last error stays.
    const auto found = m_windows.find(HandleValue(window));
    return found != m_windows.end() && !found->second.responding ? TRUE : FALSE;
}

// --- Files and strings -----------------------------------------------------------------------

int SimulatedSystem::StrCmpIW(LPCWSTR first, LPCWSTR second) {
    Enter("StrCmpIW"); // it has no failure to report
    for (;; ++first, ++second) {
        const wchar_t a = FoldCase(*first);
        const wchar_t b = FoldCase(*second);
        if (a != b) {
            return a < b ? -1 : 1;
        }
        if (a == L'\0') {
            return 0;
        }
    }
}

DWORD SimulatedSystem::GetFileAttributesW(LPCWSTR fileName) {
    m_fileQueries.emplace_back(fileName);
    if (Enter("GetFileAttributesW")) {
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::wstring key = FileKey(fileName);
    const auto found = m_files.find(key);
    if (found != m_files.end()) {
        return found->second;
    }
    m_lastError = key.find_first_of(L"<>|\"*?", key.find(L':') + 1) != std::wstring::npos
                      ? kInvalidName
                  : FolderExists(key.substr(0, key.find_last_of(L'\\') + 1)) ? ERROR_FILE_NOT_FOUND
                                                                             : kPathNotFound;
    return INVALID_FILE_ATTRIBUTES;
}

int SimulatedSystem::WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText,
                                         int wideLength, LPSTR narrowText, int narrowSize,
                                         LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    if (Enter("WideCharToMultiByte")) {
        return 0;
    }
    // Only CP_OEMCP (1) is known, so that a program that names 866 itself shows in the tests.
    const bool known = codePage == CP_OEMCP;
    if (!known || flags != 0 || defaultChar != nullptr || usedDefaultChar != nullptr ||
        wideText == nullptr || wideLength == 0) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    // A length of -1 reads up to and including the first null character.
    const std::size_t length = wideLength < 0 ? std::char_traits<wchar_t>::length(wideText) + 1
                                              : static_cast<std::size_t>(wideLength);
    const std::string encoded = ToCp866(std::wstring(wideText, length));
    const int needed = static_cast<int>(encoded.size());
    if (narrowSize == 0) {
        return needed;
    }
    if (narrowSize < needed) {
        // What fits is written all the same.
        std::copy_n(encoded.begin(), narrowSize, narrowText);
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::copy(encoded.begin(), encoded.end(), narrowText);
    return needed;
}

DWORD SimulatedSystem::GetLastError() {
    ++m_callCounts["GetLastError"];
    return m_lastError;
}

DWORD SimulatedSystem::FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId,
                                      DWORD languageId, LPWSTR buffer, DWORD size,
                                      va_list* arguments) {
    m_formatCalls.push_back(FormatMessageCall{flags, source != nullptr, messageId, languageId, size,
                                              arguments != nullptr});
    if (Enter("FormatMessageW")) {
        return 0;
    }
    const auto found = m_messages.find(messageId);
    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) == 0 || found == m_messages.end()) {
        m_lastError = found == m_messages.end() ? ERROR_MR_MID_NOT_FOUND : ERROR_INVALID_PARAMETER;
        return 0;
    }
    const std::wstring& text = found->second;
    auto* allocated = new wchar_t[text.size() + 1];
    std::copy(text.begin(), text.end(), allocated);
    allocated[text.size()] = L'\0';
    m_localAllocations.insert(allocated);
    *reinterpret_cast<wchar_t**>(buffer) = allocated;
    return static_cast<DWORD>(text.size());
}

HLOCAL SimulatedSystem::LocalFree(HLOCAL memory) {
    Enter("LocalFree");
    if (memory == nullptr) {
        return nullptr;
    }
    if (m_localAllocations.erase(memory) == 0) {
        m_badFrees.push_back("LocalFree of " + Describe(memory) + " that was not allocated");
        m_lastError = ERROR_INVALID_HANDLE;
        return memory;
    }
    delete[] static_cast<wchar_t*>(memory);
    return nullptr;
}

void SimulatedSystem::OutputDebugStringW(LPCWSTR text) {
    if (Enter("OutputDebugStringW")) {
        return; // no debugger listens: the text is lost
    }
    m_debugOutput.emplace_back(text);
}

void SimulatedSystem::Sleep(DWORD milliseconds) {
    Enter("Sleep");
    m_sleeps.push_back(milliseconds);
}

// --- The program's own console and standing ----------------------------------------------------

HANDLE SimulatedSystem::GetStdHandle(DWORD standardHandle) {
    if (Enter("GetStdHandle")) {
        return INVALID_HANDLE_VALUE;
    }
    return standardHandle == STD_OUTPUT_HANDLE ? self.standardOutput : nullptr;
}

HANDLE SimulatedSystem::CreateFileW(LPCWSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD,
                                    DWORD, HANDLE) {
    if (Enter("CreateFileW")) {
        return INVALID_HANDLE_VALUE;
    }
    const bool opens = std::wstring(fileName) == L"CONIN$" && self.consoleOutput != nullptr;
    m_lastError = opens ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; // an open creates nothing
    return opens ? NewHandle(OpenHandle{0, {}, Kind::ConsoleInput}) : INVALID_HANDLE_VALUE;
}

bool SimulatedSystem::IsOpen(HANDLE handle, Kind kind) {
    const auto open = m_openHandles.find(handle);
    const bool valid = kind == Kind::Process
                           ? handle == GetCurrentProcess()
                           : open != m_openHandles.end() && open->second.kind == kind;
    if (!valid) {
        m_lastError = ERROR_INVALID_HANDLE;
    }
    return valid;
}

BOOL SimulatedSystem::GetConsoleMode(HANDLE console, DWORD* mode) {
    if (Enter("GetConsoleMode")) {
        return FALSE;
    }
    if (console != nullptr && console == self.consoleOutput) {
        *mode = 0x3; // a screen buffer's: processed output, wrapped at the end of a line
        return TRUE;
    }
    if (!IsOpen(console, Kind::ConsoleInput)) {
        return FALSE;
    }
    *mode = self.consoleMode;
    return TRUE;
}

BOOL SimulatedSystem::SetConsoleMode(HANDLE console, DWORD mode) {
    if (Enter("SetConsoleMode") || !IsOpen(console, Kind::ConsoleInput)) {
        return FALSE;
    }
    self.consoleMode = mode;
    return TRUE;
}

BOOL SimulatedSystem::SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    if (Enter("SetConsoleCtrlHandler")) {
        return FALSE;
    }
    self.ctrlHandler = add ? handler : nullptr;
    return TRUE;
}

DWORD SimulatedSystem::GetConsoleTitleW(LPWSTR title, DWORD size) {
    if (Enter("GetConsoleTitleW")) {
        return 0;
    }
    if (self.consoleOutput == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    if (size == 0) {
        return 0;
    }
    // As Wine answers: what fits, terminated, and the whole title's length.
    const std::size_t copied = std::min<std::size_t>(self.consoleTitle.size(), size - 1);
    std::copy_n(self.consoleTitle.begin(), copied, title);
    title[copied] = L'\0';
    return static_cast<DWORD>(self.consoleTitle.size());
}

BOOL SimulatedSystem::SetConsoleTitleW(LPCWSTR title) {
    if (Enter("SetConsoleTitleW")) {
        return FALSE;
    }
    if (self.consoleOutput == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    self.consoleTitle = title;
    return TRUE;
}

std::wstring SimulatedSystem::MutexKey(LPCWSTR name) const {
    // A name is the session's unless it asks for the global namespace; "Local\\" asks for the
    // session's own.
    std::wstring key = name;
    const std::wstring local = L"Local\\";
    if (key.rfind(L"Global\\", 0) == 0) {
        return key;
    }
    return std::to_wstring(self.session) + L"\\" +
           (key.rfind(local, 0) == 0 ? key.substr(local.size()) : key);
}

HANDLE SimulatedSystem::CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR name) {
    if (Enter("CreateMutexW")) {
        return nullptr;
    }
    const std::wstring key = MutexKey(name);
    // Like the real call, success says whether the name was new.
    m_lastError = ++m_mutexHandles[key] > 1 ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return NewHandle(OpenHandle{0, key, Kind::Mutex});
}

HANDLE SimulatedSystem::OpenMutexW(DWORD, BOOL, LPCWSTR name) {
    if (Enter("OpenMutexW")) {
        return nullptr;
    }
    const auto found = m_mutexHandles.find(MutexKey(name));
    if (found == m_mutexHandles.end()) {
        m_lastError = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    ++found->second;
    return NewHandle(OpenHandle{0, found->first, Kind::Mutex});
}

BOOL SimulatedSystem::IsWow64Process(HANDLE process, PBOOL wow64) {
    if (Enter("IsWow64Process")) {
        return FALSE;
    }
    if (process == GetCurrentProcess()) {
        *wow64 = self.wow64;
        return TRUE;
    }
    const Process* owner = ProcessOfHandle(process, PROCESS_QUERY_LIMITED_INFORMATION);
    if (owner == nullptr) {
        return FALSE;
    }
    *wow64 = owner->wow64 ? TRUE : FALSE;
    return TRUE;
}

BOOL SimulatedSystem::OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
    if (Enter("OpenProcessToken") || !IsOpen(process, Kind::Process)) {
        return FALSE;
    }
    *token = NewHandle(OpenHandle{0, {}, Kind::Token});
    return TRUE;
}

BOOL SimulatedSystem::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                                          LPVOID information, DWORD length, DWORD* returnedLength) {
    if (Enter("GetTokenInformation") || !IsOpen(token, Kind::Token)) {
        return FALSE;
    }
    // The user's SID follows the TOKEN_USER that points to it: revision 1, five parts, authority 5.
    const DWORD sid[] = {0x0501, 0x05000000, 21, 1, 2, 3, self.user};
    const bool user = informationClass == TokenUser;
    // A TOKEN_ELEVATION and a session id are both one DWORD.
    *returnedLength = user ? sizeof(TOKEN_USER) + sizeof(sid) : sizeof(DWORD);
    const bool known =
        user || informationClass == TokenElevation || informationClass == TokenSessionId;
    if (!known || length < *returnedLength) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    if (user) {
        auto* const owner = static_cast<TOKEN_USER*>(information);
        owner->User = SID_AND_ATTRIBUTES{owner + 1, 0};
        std::copy(std::begin(sid), std::end(sid), static_cast<DWORD*>(owner->User.Sid));
    } else if (informationClass == TokenSessionId) {
        *static_cast<DWORD*>(information) = self.session;
    } else {
        static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = self.elevated;
    }
    return TRUE;
}

BOOL SimulatedSystem::ConvertSidToStringSidW(PSID sid, LPWSTR* text) {
    if (Enter("ConvertSidToStringSidW")) {
        return FALSE;
    }
    // As GetTokenInformation lays it out: the count of parts, then authority 5 and the parts.
    const auto* const parts = static_cast<const DWORD*>(sid);
    std::wstring converted = L"S-1-5";
    for (DWORD part = 0; part < (parts[0] >> 8); ++part) {
        converted += L"-" + std::to_wstring(parts[2 + part]);
    }
    *text = new wchar_t[converted.size() + 1];
    std::copy(converted.c_str(), converted.c_str() + converted.size() + 1, *text);
    m_localAllocations.insert(*text);
    return TRUE;
}

} // namespace sim
