// The dots on the status line while terminals are served: ten written, ten erased, one cycle of
// rest, and again. The only state that outlives a posting cycle.
#pragma once

#include <cstdint>
#include <ostream>

class ProgressIndicator {
public:
    static constexpr std::int32_t kDotsPerPeriod = 10;
    static constexpr std::int32_t kErasuresPerPeriod = 10;

    // One step per serving cycle; the first after start or after a stop writes "В обработке ".
    void Step(std::ostream& narrow);
    // Ends the line of dots if serving; the counts keep their values.
    void Stop(std::wostream& wide);

    bool IsBusy() const { return m_busy; }
    std::int32_t Dots() const { return m_dots; }
    std::int32_t Erasures() const { return m_erasures; }

private:
    bool m_busy = false;
    std::int32_t m_dots = 0;
    std::int32_t m_erasures = 0;
};
