// Replaces the global operator new and delete of the test binary that links it.
#include "support/failing_allocator.h"

#include <cstdlib>
#include <new>

namespace failing_allocator {
namespace {

long g_count = 0;
long g_failFrom = 0;
std::size_t g_failSizesFrom = 0;
int g_pauses = 0;

bool ShouldFail(std::size_t bytes) {
    if (g_pauses > 0) {
        return false;
    }
    ++g_count;
    return (g_failFrom != 0 && g_count >= g_failFrom) ||
           (g_failSizesFrom != 0 && bytes >= g_failSizesFrom);
}

void* Allocate(std::size_t bytes) {
    if (ShouldFail(bytes)) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(bytes == 0 ? 1 : bytes)) {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

void FailFrom(long k) {
    g_count = 0;
    g_failFrom = k;
}

void FailSizesFrom(std::size_t bytes) {
    g_count = 0;
    g_failSizesFrom = bytes;
}

void Disarm() {
    g_count = 0;
    g_failFrom = 0;
    g_failSizesFrom = 0;
}

long Count() {
    return g_count;
}

Paused::Paused() {
    ++g_pauses;
}

Paused::~Paused() {
    --g_pauses;
}

Resumed::Resumed() : m_pauses(g_pauses) {
    g_pauses = 0;
}

Resumed::~Resumed() {
    g_pauses = m_pauses;
}

} // namespace failing_allocator

void* operator new(std::size_t bytes) {
    return failing_allocator::Allocate(bytes);
}
void* operator new[](std::size_t bytes) {
    return failing_allocator::Allocate(bytes);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
