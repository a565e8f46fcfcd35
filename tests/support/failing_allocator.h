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

// Disarms at the end of a scope, whatever happens in it.
class Armed {
public:
    Armed() = default;
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
    ~Armed() { Disarm(); }
};

} // namespace failing_allocator
