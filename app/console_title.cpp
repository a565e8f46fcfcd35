#include "app/console_title.h"

#include "app/console_end.h"
#include "app/console_texts.h"
#include "os/system.h"

#include <algorithm>
#include <vector>

namespace console {
namespace {

constexpr const wchar_t* kTerminals = L"Метатрейдеров: ";
constexpr const wchar_t* kUnavailable = L" (недоступно: ";
constexpr const wchar_t* kCharts = L", графиков: ";
constexpr const wchar_t* kProgramName = L" — command_poster";

// A title is less than 64 KB, terminator included.
constexpr DWORD kTitleLength = 32768;

std::wstring ReadTitle() {
    std::vector<wchar_t> title(kTitleLength, L'\0');
    os::GetConsoleTitleW(title.data(), kTitleLength); // nothing read: an empty title comes back
    return {title.begin(), std::find(title.begin(), title.end(), L'\0')};
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
        KeepTitle(ReadTitle());
        m_kept = true;
    }
    // Once per text: a console that refuses it is not asked again every cycle.
    m_shown = text;
    ChangeTitle(text);
}

} // namespace console
