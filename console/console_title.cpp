#include "console/console_title.h"

#include "console/console_end.h"
#include "console/console_texts.h"
#include "os/system.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace console {
namespace {

constexpr const wchar_t* kTerminals = L"Метатрейдеров: ";
constexpr const wchar_t* kUnavailable = L" (недоступно: ";
constexpr const wchar_t* kCharts = L", графиков: ";
constexpr const wchar_t* kProgramName = L" — command_poster";

// A usual title fits the first; a title is less than 64 KB, terminator included. The console of
// older Windows may refuse the larger buffer.
constexpr DWORD kTitleLengths[] = {1024, 32768};

// The console's title; none where it cannot be read whole. An empty title cannot be told from
// one that cannot be read: both read 0.
std::optional<std::wstring> ReadTitle() {
    for (const DWORD length : kTitleLengths) {
        std::vector<wchar_t> title(length, L'\0');
        if (os::GetConsoleTitleW(title.data(), length) == 0) {
            continue;
        }
        const auto end = std::find(title.begin(), title.end(), L'\0');
        if (end - title.begin() < static_cast<std::ptrdiff_t>(length) - 1) { // not cut short
            return std::wstring(title.begin(), end);
        }
    }
    return std::nullopt;
}

} // namespace

std::wstring ServingTitle(std::size_t terminals, std::size_t unavailable, std::size_t charts) {
    std::wstring title = kTerminals + std::to_wstring(terminals);
    if (unavailable > 0) {
        title += kUnavailable + std::to_wstring(unavailable) + L")";
    }
    if (terminals > 0 || unavailable > 0) {
        title += kCharts + std::to_wstring(charts);
    }
    return title + kProgramName;
}

std::wstring WaitingTitle() {
    const std::wstring line = kWaiting;
    return line.substr(0, line.size() - std::wstring(kLineEnd).size()) + kProgramName;
}

CTitle::CTitle() : m_console(OutputIsConsole()) {}

CTitle::~CTitle() {
    if (m_kept) {
        GiveTitleBack();
    }
}

void CTitle::Show(const std::wstring& text) {
    if (!m_console || text == m_shown) {
        return;
    }
    if (!m_kept) {
        std::optional<std::wstring> original = ReadTitle();
        if (!original) { // a title that could not come back is not the program's to change
            m_console = false;
            return;
        }
        KeepTitle(std::move(*original));
        m_kept = true;
    }
    // Once per text: a console that refuses it is not asked again every cycle.
    m_shown = text;
    ChangeTitle(text);
}

} // namespace console
