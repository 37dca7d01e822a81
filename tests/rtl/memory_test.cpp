#include "rtl/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace varnimo::rtl {
namespace {

// A buffer holds what a std::vector would, through its growth from heap memory to pages of
// its own and to large pages (10 MB), appends of its own values while it has to move, copies,
// moves, and the release of its unused room, which keeps every value held.
TEST(PageBuffer, HoldsWhatAVectorWould) {
    PageBuffer<std::uint32_t> buffer;
    std::vector<std::uint32_t> expected;
    buffer.reserve(3);
    for (std::uint32_t value : {7u, 8u, 9u}) {
        buffer.push_back(value);
        expected.push_back(value);
    }
    ASSERT_EQ(buffer.size(), buffer.capacity());
    buffer.append(buffer.data(), 3);  // from the memory the growth gives up
    expected.insert(expected.end(), {7u, 8u, 9u});
    for (std::uint32_t i = 0; i < 2'500'000; ++i) {
        buffer.push_back(i);
        expected.push_back(i);
    }
    buffer.resize(buffer.size() + 1000, 42);
    expected.resize(expected.size() + 1000, 42);
    buffer.reserve(2 * buffer.capacity());
    buffer.ReleaseUnused();
    ASSERT_EQ(std::vector<std::uint32_t>(buffer.begin(), buffer.end()), expected);

    PageBuffer<std::uint32_t> copy = buffer;
    PageBuffer<std::uint32_t> moved = std::move(buffer);
    EXPECT_TRUE(buffer.empty());
    moved.resize(10);
    moved.ReleaseUnused();
    moved.resize(20, 1);
    expected.resize(10);
    expected.resize(20, 1);
    EXPECT_EQ(std::vector<std::uint32_t>(moved.begin(), moved.end()), expected);
    EXPECT_EQ(copy.size(), 2'501'006u);
    EXPECT_EQ(copy[2'501'005], 42u);
}

}  // namespace
}  // namespace varnimo::rtl
