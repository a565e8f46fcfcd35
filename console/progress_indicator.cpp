#include "console/progress_indicator.h"

#include "console/console_texts.h"
#include "utils/text.h"

void ProgressIndicator::Step(std::ostream& narrow) {
    if (!m_busy) {
        narrow << Utils::WideToNarrow(console::kProcessing, console::kCodePage);
        m_dots = 0;
        m_erasures = 0;
        m_busy = true;
        narrow << console::kDot;
        m_dots = 1;
    } else if (m_dots < kDotsPerPeriod) {
        narrow << console::kDot;
        ++m_dots;
    } else if (m_erasures < kErasuresPerPeriod) {
        narrow << console::kEraseDot;
        ++m_erasures;
    } else {
        m_dots = 0; // the silent step that ends a period
        m_erasures = 0;
    }
}

void ProgressIndicator::Stop(std::wostream& wide) {
    if (m_busy) {
        m_busy = false;
        wide << console::kLineEnd;
    }
}
