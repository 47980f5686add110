#include "platform/Event.h"

#include "platform/RunLog.h"

#include <chrono>

bool AutoResetEvent::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_);
    bool got = true;
    if (timeoutMs < 0)  // INFINITE
        cv_.wait(lock, [this] { return signalled_; });
    else
        got = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
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
