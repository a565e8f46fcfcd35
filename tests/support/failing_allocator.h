// Control of the global allocator of a test binary that links failing_allocator.cpp: allocations
// can be made to fail on request, as when memory runs out.
#pragma once

#include <cstddef>

namespace failing_allocator {

// Counts the allocations from now on; the k-th (from 1) and every later one fail with
// std::bad_alloc. 0 disarms.
void FailFrom(long k);
// Every allocation of at least `bytes` fails until disarmed.
void FailSizesFrom(std::size_t bytes);
void Disarm();
// Allocations made since the last FailFrom, FailSizesFrom or Disarm.
long Count();

// While a Paused object lives, allocations neither count nor fail: for work that is not the
// program's own (the simulated system's, for one). Pauses nest.
class Paused {
public:
    Paused();
    Paused(const Paused&) = delete;
    Paused& operator=(const Paused&) = delete;
    ~Paused();
};

// Lifts the pauses for a scope: for the program's callbacks that a paused system calls.
class Resumed {
public:
    Resumed();
    Resumed(const Resumed&) = delete;
    Resumed& operator=(const Resumed&) = delete;
    ~Resumed();

private:
    int m_pauses;
};

// Disarms at the end of a scope, whatever happens in it.
class Armed {
public:
    Armed() = default;
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
    ~Armed() { Disarm(); }
};

} // namespace failing_allocator
