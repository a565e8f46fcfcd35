// Counts the allocations of the benchmark binary that links allocation_counter.cpp, which replaces
// the global operator new. Allocations are split between the program and the model it runs
// against (the simulated system), so that the program's own figure is not blurred by the model's
// bookkeeping. One thread only.
#pragma once

namespace allocation_counter {

struct Counts {
    long program = 0;
    long model = 0;
};

void Reset();
Counts Get();

// While an InModel object lives, allocations count as the model's.
class InModel {
public:
    InModel();
    InModel(const InModel&) = delete;
    InModel& operator=(const InModel&) = delete;
    ~InModel();
};

// While an InProgram object lives, allocations count as the program's again: for the program's
// callbacks that the model calls.
class InProgram {
public:
    InProgram();
    InProgram(const InProgram&) = delete;
    InProgram& operator=(const InProgram&) = delete;
    ~InProgram();

private:
    int m_modelDepth;
};

} // namespace allocation_counter
