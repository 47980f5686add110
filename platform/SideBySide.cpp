#include "platform/SideBySide.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sidebyside {
namespace {

// One call's parts: whoever takes the next number runs that part.
struct Batch {
    explicit Batch(std::size_t n, const std::function<void(std::size_t)>& f) : parts(n), part(f) {}
    const std::size_t parts;
    const std::function<void(std::size_t)>& part;  // the caller's, alive until every taker is done
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable done;
    std::size_t busy = 0;  // pool threads inside Run

    // Runs parts until none is left.
    void Run() {
        for (std::size_t k; (k = next.fetch_add(1)) < parts;) part(k);
    }
};

class Pool {
public:
    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    void Help(const std::shared_ptr<Batch>& batch, std::size_t helpers) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            while (threads_.size() < std::min(helpers, MaxThreads() - 1)) threads_.emplace_back([this] { Work(); });
            for (std::size_t i = 0; i < helpers; ++i) queue_.push_back(batch);
        }
        wake_.notify_all();
    }

private:
    void Work() {
        for (;;) {
            std::shared_ptr<Batch> batch;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
                if (queue_.empty()) return;
                batch = std::move(queue_.front());
                queue_.pop_front();
            }
            // A batch whose parts are all taken is left alone: its caller may be gone already.
            {
                std::lock_guard<std::mutex> lock(batch->mutex);
                if (batch->next.load() >= batch->parts) continue;
                ++batch->busy;
            }
            batch->Run();
            {
                std::lock_guard<std::mutex> lock(batch->mutex);
                --batch->busy;
            }
            batch->done.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Batch>> queue_;
    std::vector<std::thread> threads_;
    bool stop_ = false;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

}  // namespace

std::size_t MaxThreads() { return std::clamp(std::thread::hardware_concurrency(), 1u, 8u); }

void RunSideBySide(std::size_t parts, std::size_t threads, const std::function<void(std::size_t)>& part) {
    const std::size_t helpers = std::min({threads, parts, MaxThreads()});
    if (helpers <= 1) {
        for (std::size_t k = 0; k < parts; ++k) part(k);
        return;
    }
    auto batch = std::make_shared<Batch>(parts, part);
    ThePool().Help(batch, helpers - 1);
    batch->Run();
    // Every part is taken: wait for the pool threads still running one.
    std::unique_lock<std::mutex> lock(batch->mutex);
    batch->done.wait(lock, [&] { return batch->busy == 0; });
}

}  // namespace sidebyside
