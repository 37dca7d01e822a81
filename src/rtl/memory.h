#pragma once
// Hints to the system about large buffers.

#include <cstddef>

namespace varnimo::rtl {

// Asks for large pages behind the whole pages of [data, data + bytes): a buffer of many
// megabytes that is filled once and then read all over (the catalogue's columns, the sort
// keys) then costs a fraction of the page faults and address translations. Only a hint;
// nothing happens where the system has no such pages.
void PreferLargePages(const void* data, std::size_t bytes);

// Gives the whole pages of [data + used, data + capacity) back to the system: the part of a
// generously reserved buffer that stayed unused, which large pages may already have taken
// in. The bytes there read as zero afterwards; the buffer itself stays as it is.
void ReleaseUnusedPages(const void* data, std::size_t used, std::size_t capacity);

}  // namespace varnimo::rtl
