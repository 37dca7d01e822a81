// Large pages on Windows need a privilege that users do not have: the buffers are plain heap
// memory, which the system maps in as it is touched.
#include "rtl/memory.h"

namespace varnimo::rtl::pages {

void* Allocate(std::size_t bytes) {
    return bytes == 0 ? nullptr : ::operator new(bytes);
}

void Free(void* data, std::size_t) noexcept {
    ::operator delete(data);
}

void ReleaseUnused(void*, std::size_t, std::size_t) noexcept {}

}  // namespace varnimo::rtl::pages
