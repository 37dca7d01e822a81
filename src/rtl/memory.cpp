#include "rtl/memory.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace varnimo::rtl {

#ifdef __linux__
namespace {

// Gives the system `advice` about the whole pages inside [from, to).
void AdviseWholePages(const char* from, const char* to, int advice) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(from) + page - 1) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(to) / page * page;
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, advice);
    }
}

}  // namespace
#endif

void PreferLargePages(const void* data, std::size_t bytes) {
#ifdef __linux__
    // Below a few large pages the hint buys nothing.
    constexpr std::size_t kWorthIt = std::size_t{8} << 20;
    if (bytes >= kWorthIt) {
        const auto* first = static_cast<const char*>(data);
        AdviseWholePages(first, first + bytes, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

void ReleaseUnusedPages(const void* data, std::size_t used, std::size_t capacity) {
#ifdef __linux__
    if (data != nullptr && capacity > used) {
        const auto* first = static_cast<const char*>(data);
        AdviseWholePages(first + used, first + capacity, MADV_DONTNEED);
    }
#else
    (void)data;
    (void)used;
    (void)capacity;
#endif
}

}  // namespace varnimo::rtl
