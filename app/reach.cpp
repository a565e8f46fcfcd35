#include "app/reach.h"

bool Covers(Reach larger, Reach smaller) {
    return (larger.elevated || !smaller.elevated) && (larger.wide || !smaller.wide);
}

Meeting Meet(Reach running, Reach starting) {
    if (Covers(running, starting)) {
        return Meeting::StarterLeaves;
    }
    return Covers(starting, running) ? Meeting::RunnerWaits : Meeting::BothServe;
}
