#pragma once
// Auto-reset event (created non-signalled) and the event lock built on it.
#include <condition_variable>
#include <mutex>
#include <string>

class AutoResetEvent {
public:
    explicit AutoResetEvent(std::string name = {}) : name_(std::move(name)) {}
    // Waits until signalled or timeoutMs ran out (a negative time-out waits for ever); the
    // event is reset either way.
    bool Wait(int timeoutMs);
    void Set();
    void Reset();
    const std::string& name() const { return name_; }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool signalled_ = false;
    std::string name_;
};

// Tests: the timed waits of every event follow a clock that moves only when Advance is
// called, so a test can pass a time-out without waiting for it.
namespace eventclock {
void SetManual(bool on);
void Advance(int ms);
int TimedWaiters();  // timed waits in progress on the manual clock
}  // namespace eventclock

class CEventLock {
public:
    // mode 1 takes: waits up to timeoutMs, then resets the event whatever the wait gave (a wait
    // that ran out is written to the run log); any other mode releases. Returns whether the
    // take was granted before the time-out (always true for a release).
    static bool Lock(AutoResetEvent& ev, int mode, int timeoutMs);
};

// Takes an event lock for a scope and releases it on every way out.
class ScopedEventLock {
public:
    ScopedEventLock(AutoResetEvent& ev, int timeoutMs) : ev_(ev) {
        granted_ = CEventLock::Lock(ev_, 1, timeoutMs);
    }
    ~ScopedEventLock() { CEventLock::Lock(ev_, 0, 5000); }
    ScopedEventLock(const ScopedEventLock&) = delete;
    ScopedEventLock& operator=(const ScopedEventLock&) = delete;
    bool granted() const { return granted_; }

private:
    AutoResetEvent& ev_;
    bool granted_ = false;
};
