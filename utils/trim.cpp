#include "utils/trim.h"

namespace Utils {

bool TrimLeft(std::wstring& text, const wchar_t* set) {
    const std::size_t keep = text.find_first_not_of(set != nullptr ? set : kDefaultTrimSet);
    const std::size_t count = keep == std::wstring::npos ? text.size() : keep;
    text.erase(0, count);
    return count != 0;
}

bool TrimRight(std::wstring& text, const wchar_t* set) {
    const std::size_t last = text.find_last_not_of(set != nullptr ? set : kDefaultTrimSet);
    const std::size_t keep = last == std::wstring::npos ? 0 : last + 1;
    const bool removed = keep != text.size();
    text.erase(keep);
    return removed;
}

} // namespace Utils
