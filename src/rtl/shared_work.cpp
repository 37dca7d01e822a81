#include "rtl/shared_work.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace varnimo::rtl {
namespace {

// One call's parts, on the calling thread's stack.
struct Parts {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* part = nullptr;
    std::atomic<std::size_t> next{0};

    // Takes parts until none is left.
    void Work() {
        for (std::size_t k = next.fetch_add(1, std::memory_order_relaxed); k < count;
             k = next.fetch_add(1, std::memory_order_relaxed)) {
            (*part)(k);
        }
    }
};

class Helper {
  public:
    ~Helper() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Hands `parts` to the helper; false when it has work already or cannot be started.
    bool Offer(Parts& parts) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (offered_ != nullptr || working_ != nullptr) {
            return false;
        }
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                return false;
            }
        }
        offered_ = &parts;
        wake_.notify_one();
        return true;
    }

    // Returns once the helper is done with `parts`, which Offer handed over: at once when it
    // has not taken them yet. Waits for these parts alone, never for another call's.
    void Finish(Parts& parts) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (offered_ == &parts) {
            offered_ = nullptr;
            return;
        }
        done_.wait(lock, [&] { return working_ != &parts; });
    }

  private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return offered_ != nullptr || stopping_; });
            if (offered_ == nullptr) {
                return;
            }
            Parts* parts = offered_;
            working_ = parts;
            offered_ = nullptr;
            lock.unlock();
            parts->Work();
            lock.lock();
            working_ = nullptr;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Parts* offered_ = nullptr;  // handed over, not yet taken
    Parts* working_ = nullptr;  // taken, being worked on
    bool stopping_ = false;
    std::thread thread_;
};

Helper& TheHelper() {
    static Helper helper;
    return helper;
}

}  // namespace

void ShareWork(std::size_t parts, const std::function<void(std::size_t)>& part) {
    Parts shared;
    shared.count = parts;
    shared.part = &part;
    const bool offered = parts > 1 && TheHelper().Offer(shared);
    shared.Work();
    if (offered) {
        TheHelper().Finish(shared);
    }
}

}  // namespace varnimo::rtl
