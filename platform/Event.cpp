#include "platform/Event.h"

#include "platform/RunLog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

namespace eventclock {
namespace {
struct ManualWait {
    std::int64_t deadline;
    std::atomic<bool> expired{false};
};
std::atomic<bool> g_manual{false};
std::mutex g_mutex;  // the fields below
std::int64_t g_nowMs = 0;
std::vector<ManualWait*> g_waits;
}  // namespace
void SetManual(bool on) { g_manual = on; }
void Advance(int ms) {
    // The waits that run out are marked here, so a signal after this call comes too late.
    std::lock_guard<std::mutex> lock(g_mutex);
    g_nowMs += ms;
    for (ManualWait* w : g_waits)
        if (g_nowMs >= w->deadline) w->expired = true;
}
int TimedWaiters() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_waits.size());
}
}  // namespace eventclock

bool AutoResetEvent::Wait(int timeoutMs) {
    using namespace eventclock;
    std::unique_lock<std::mutex> lock(m_);
    bool got = true;
    if (timeoutMs < 0) {  // INFINITE
        cv_.wait(lock, [this] { return signalled_; });
    } else if (g_manual && !signalled_) {
        ManualWait w;
        {
            std::lock_guard<std::mutex> reg(g_mutex);
            w.deadline = g_nowMs + timeoutMs;
            w.expired = timeoutMs == 0;
            g_waits.push_back(&w);
        }
        while (!signalled_ && !w.expired) cv_.wait_for(lock, std::chrono::milliseconds(1));
        {
            std::lock_guard<std::mutex> reg(g_mutex);
            g_waits.erase(std::find(g_waits.begin(), g_waits.end(), &w));
        }
        got = signalled_ && !w.expired;
    } else {
        got = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
    }
    signalled_ = false;  // reset, granted or not
    return got;
}

void AutoResetEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(m_);
        signalled_ = true;
    }
    cv_.notify_one();
}

void AutoResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(m_);
    signalled_ = false;
}

bool CEventLock::Lock(AutoResetEvent& ev, int mode, int timeoutMs) {
    if (mode != 1) {
        ev.Set();
        return true;
    }
    const bool got = ev.Wait(timeoutMs);
    if (!got)
        runlog::Append("CEventLock wait timed out: " + (ev.name().empty() ? std::string("event") : ev.name()));
    return got;
}
