#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "rtl/memory.h"

namespace varnimo::rtl::pages {
namespace {

// From here on a buffer gets pages of its own, which can be given back while it lives.
constexpr std::size_t kOwnPages = std::size_t{1} << 20;
// From here on large pages pay; below a few of them the hint buys nothing.
constexpr std::size_t kLargePagesPay = std::size_t{8} << 20;
constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t PageSize() {
    static const auto size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t WholePages(std::size_t bytes) {
    return (bytes + PageSize() - 1) / PageSize() * PageSize();
}

}  // namespace

void* Allocate(std::size_t bytes) {
    if (bytes == 0) {
        return nullptr;
    }
    if (bytes < kOwnPages) {
        return ::operator new(bytes);
    }
    const std::size_t size = WholePages(bytes);
    // Large pages back only the part of a mapping that lies on their boundaries: a mapping
    // that large is cut to start on one.
    const std::size_t slack = size >= kLargePagesPay ? kLargePage : 0;
    void* mapped =
        ::mmap(nullptr, size + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    auto* first = static_cast<char*>(mapped);
    if (slack != 0) {
        const auto at = reinterpret_cast<std::uintptr_t>(first);
        char* aligned = first + ((kLargePage - at % kLargePage) % kLargePage);
        if (aligned != first) {
            ::munmap(first, static_cast<std::size_t>(aligned - first));
        }
        const std::size_t tail = static_cast<std::size_t>(first + size + slack - (aligned + size));
        if (tail != 0) {
            ::munmap(aligned + size, tail);
        }
        first = aligned;
#ifdef MADV_HUGEPAGE
        ::madvise(first, size, MADV_HUGEPAGE);
#endif
    }
    return first;
}

void Free(void* data, std::size_t bytes) noexcept {
    if (data == nullptr) {
        return;
    }
    if (bytes < kOwnPages) {
        ::operator delete(data);
        return;
    }
    ::munmap(data, WholePages(bytes));
}

void ReleaseUnused(void* data, std::size_t used, std::size_t bytes) noexcept {
    if (data == nullptr || bytes < kOwnPages || used >= bytes) {
        return;
    }
    const std::size_t from = WholePages(used);
    const std::size_t to = WholePages(bytes);
    if (to > from) {
        ::madvise(static_cast<char*>(data) + from, to - from, MADV_DONTNEED);
    }
}

}  // namespace varnimo::rtl::pages
