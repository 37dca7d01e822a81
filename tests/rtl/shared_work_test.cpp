#include "rtl/shared_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace varnimo::rtl {
namespace {

// The threads that ran a part: each counts itself at its first part.
std::atomic<int> g_threads{0};

void CountThisThread() {
    struct Counted {
        Counted() { ++g_threads; }
    };
    thread_local Counted counted;
    (void)counted;
}

// Every part runs once, whatever the number of parts, also when a part shares work of its
// own; and one helper serves every call, so no more than two threads ever run parts, however
// many calls come (a thread per call, or one started inside a part, would count more).
TEST(ShareWork, EveryPartRunsOnceOnAtMostTwoThreads) {
    for (const std::size_t parts : {0, 1, 2, 3, 64, 1000}) {
        for (int call = 0; call < 50; ++call) {
            std::vector<std::atomic<int>> ran(parts);
            ShareWork(parts, [&](std::size_t k) {
                CountThisThread();
                ++ran[k];
            });
            for (const std::atomic<int>& times : ran) {
                ASSERT_EQ(times.load(), 1) << parts << " parts";
            }
        }
    }
    constexpr std::size_t kOuter = 8;
    constexpr std::size_t kInner = 64;
    for (int call = 0; call < 50; ++call) {
        std::vector<std::atomic<int>> ran(kOuter * kInner);
        ShareWork(kOuter, [&](std::size_t outer) {
            ShareWork(kInner, [&](std::size_t inner) {
                CountThisThread();
                ++ran[outer * kInner + inner];
            });
        });
        for (const std::atomic<int>& times : ran) {
            ASSERT_EQ(times.load(), 1) << "work shared inside a part";
        }
    }
    EXPECT_LE(g_threads.load(), 2);
}

}  // namespace
}  // namespace varnimo::rtl
