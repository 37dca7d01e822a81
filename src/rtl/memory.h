#pragma once
// Hints to the system about large buffers.

#include <cstddef>

namespace varnimo::rtl {

// Asks for large pages behind the whole pages of [data, data + bytes): a buffer of many
// megabytes that is filled once and then read all over (the catalogue's columns, the sort
// keys) then costs a fraction of the page faults and address translations. Only a hint;
// nothing happens where the system has no such pages.
void PreferLargePages(const void* data, std::size_t bytes);

}  // namespace varnimo::rtl
