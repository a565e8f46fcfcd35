// Replaces the global operator new and delete of the benchmark binary that links it.
#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace allocation_counter {
namespace {

long g_program = 0;
long g_model = 0;
int g_modelDepth = 0;

void* Allocate(std::size_t bytes) {
    ++(g_modelDepth > 0 ? g_model : g_program);
    if (void* memory = std::malloc(bytes == 0 ? 1 : bytes)) {
        return memory;
    }
    throw std::bad_alloc();
}

} // namespace

void Reset() {
    g_program = 0;
    g_model = 0;
}

Counts Get() {
    return Counts{g_program, g_model};
}

InModel::InModel() {
    ++g_modelDepth;
}

InModel::~InModel() {
    --g_modelDepth;
}

InProgram::InProgram() : m_modelDepth(g_modelDepth) {
    g_modelDepth = 0;
}

InProgram::~InProgram() {
    g_modelDepth = m_modelDepth;
}

} // namespace allocation_counter

void* operator new(std::size_t bytes) {
    return allocation_counter::Allocate(bytes);
}
void* operator new[](std::size_t bytes) {
    return allocation_counter::Allocate(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return allocation_counter::Allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return allocation_counter::Allocate(bytes);
    } catch (...) {
        return nullptr;
    }
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
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
