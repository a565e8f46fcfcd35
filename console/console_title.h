// The console window's title says what the poster serves: the taskbar, Alt+Tab and a terminal's
// tab show it where the status lines are out of sight.
#pragma once

#include <cstddef>
#include <string>

namespace console {

// The counts of terminals served, of those that get nothing (where there are any) and of charts,
// in that order: a tab or a taskbar button that is too narrow cuts the end off. The forms are
// listed in docs/console-messages.md.
std::wstring ServingTitle(std::size_t terminals, std::size_t unavailable, std::size_t charts);
// While a poster that reaches further serves.
std::wstring WaitingTitle();

// Writes the title where standard output is a console, and only when its text changes. The
// title the console had before the first write comes back when the program ends (see
// console/console_end.h); where that title cannot be read, or is empty, the title is left alone.
// In Unicode: it reads right whatever the console's code page.
class CTitle {
public:
    CTitle();
    CTitle(const CTitle&) = delete;
    CTitle& operator=(const CTitle&) = delete;
    ~CTitle();

    void Show(const std::wstring& text);

private:
    bool m_console;
    bool m_kept = false; // the title before the first write
    std::wstring m_shown;
};

} // namespace console
