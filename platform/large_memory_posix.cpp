// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// Large blocks of memory on Linux: mapped whole, on 2 MiB boundaries, and marked for the system's huge
// pages (where it gives them on request), so filling tens of megabytes of fresh room costs a fault
// every 2 MiB rather than every page.
#include "scratch.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace yb::platform {

#if defined(__SANITIZE_ADDRESS__)
// Under the address sanitizer the heap's room is watched for overruns, mapped room is not.
void* allocateLarge(std::size_t bytes) { return ::operator new(bytes); }
void freeLarge(void* memory, std::size_t) noexcept { ::operator delete(memory); }
#else
namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
std::size_t mappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }
}  // namespace

void* allocateLarge(std::size_t bytes) {
    std::size_t const size = mappedSize(bytes);
    // Mapped a huge page longer, then cut to a 2 MiB boundary at both ends.
    void* const mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto const start = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t const aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) ::munmap(mapped, aligned - start);
    std::size_t const after = start + size + kHugePage - (aligned + size);
    if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + size), after);
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // a hint: refused, the pages stay small
    return reinterpret_cast<void*>(aligned);
}

void freeLarge(void* memory, std::size_t bytes) noexcept { ::munmap(memory, mappedSize(bytes)); }
#endif

}  // namespace yb::platform
