#include "catalogue/shared_work.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace varnimo::catalogue {
namespace {

// What the two threads share. The helper may start after this thread has done every part
// and returned: it then finds no part left and touches nothing but this state, which it
// keeps alive itself.
struct Parts {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* part = nullptr;
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;  // guarded by mutex
    std::mutex mutex;
    std::condition_variable all_done;

    // Takes parts until none is left.
    void Work() {
        for (;;) {
            const std::size_t k = next.fetch_add(1, std::memory_order_relaxed);
            if (k >= count) {
                return;
            }
            (*part)(k);
            std::lock_guard<std::mutex> lock(mutex);
            if (++done == count) {
                all_done.notify_all();
            }
        }
    }
};

}  // namespace

void ShareWork(std::size_t parts, const std::function<void(std::size_t)>& part) {
    if (parts == 0) {
        return;
    }
    auto shared = std::make_shared<Parts>();
    shared->count = parts;
    shared->part = &part;
    if (parts > 1) {
        try {
            std::thread([shared] { shared->Work(); }).detach();
        } catch (const std::system_error&) {
            // No second thread: every part runs here.
        }
    }
    shared->Work();
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->all_done.wait(lock, [&] { return shared->done == shared->count; });
}

}  // namespace varnimo::catalogue
