#include "core/WorkerEngine.h"

#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/ReceiveSpool.h"
#include "core/WorkerBindings.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::atomic<ISmsQueueSide*> g_smsQueue{nullptr};
std::atomic<IMmsQueueSide*> g_mmsQueue{nullptr};
std::atomic<int> g_firstSleepMs{worker::kFirstSleepMs};
std::atomic<int> g_secondSleepMs{worker::kSecondSleepMs};
std::atomic<int> g_threadsStarted{0};

// The forty index cells live for the whole process.
std::array<int, worker::kThreadCount> g_indexCells{};

// The thread set and the sleep's wake-up outlive main(): a thread still inside a platform
// request at exit ends with the process, so nothing it touches may be destroyed before.
struct ThreadSet {
    std::mutex mutex;  // threads, running
    std::condition_variable ended;
    std::vector<std::thread> threads;
    // Changed under the mutex; atomic because the stop's timed wait re-reads it after a wake
    // that the sanitizer's interceptors do not see as taking the mutex again.
    std::atomic<int> running{0};
    std::mutex sleepMutex;  // a pass sleep that a stop cuts short
    std::condition_variable wake;
};
ThreadSet& Set() {
    static ThreadSet* set = new ThreadSet;
    return *set;
}

void PassSleep(int ms) {
    if (ms <= 0) {
        std::this_thread::yield();  // sleeps set to zero (benchmarks): let the busy threads work
        return;
    }
    std::unique_lock<std::mutex> lock(Set().sleepMutex);
    Set().wake.wait_for(lock, std::chrono::milliseconds(ms), [] { return g_bStopThreads.load() != 0; });
}

bool HasJob(int index) {
    return (index >= 0 && index <= 19) || index == worker::kReceiveIndex ||
           index == worker::kMmsBalanceIndex || index == worker::kSmsBalanceIndex;
}

}  // namespace

namespace worker {

void SetSmsQueue(ISmsQueueSide* side) { g_smsQueue.store(side); }
void SetMmsQueue(IMmsQueueSide* side) { g_mmsQueue.store(side); }
void ClearSmsQueue(ISmsQueueSide* side) { g_smsQueue.compare_exchange_strong(side, nullptr); }
void ClearMmsQueue(IMmsQueueSide* side) { g_mmsQueue.compare_exchange_strong(side, nullptr); }

Services& GetServices() {
    static Services* services = new Services(DefaultServices());  // outlives main(), as the threads may
    return *services;
}

void SetPassSleepsForTest(int firstMs, int secondMs) {
    g_firstSleepMs.store(firstMs);
    g_secondSleepMs.store(secondMs);
}

bool StopMsgThreads(int timeoutMs) {
    ThreadSet& set = Set();
    g_bStopThreads.store(1);
    {
        std::lock_guard<std::mutex> lock(set.sleepMutex);
    }
    set.wake.notify_all();
    std::unique_lock<std::mutex> lock(set.mutex);
    const bool ended = set.ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                          [&] { return set.running == 0; });
    std::vector<std::thread> threads = std::move(set.threads);
    set.threads.clear();
    lock.unlock();
    for (auto& t : threads) {
        // A thread still inside a request is let go: it ends with the process.
        if (ended) t.join();
        else t.detach();
    }
    return ended;
}

int RunningThreads() {
    std::lock_guard<std::mutex> lock(Set().mutex);
    return Set().running;
}

int ThreadsStarted() { return g_threadsStarted.load(); }

std::string BuildFileUrls(const std::string& uploaded, const std::string& resourceUrl) {
    std::string urls;
    std::string_view rest = uploaded;
    for (;;) {
        const std::size_t hash = rest.find('#');
        if (hash == std::string_view::npos || hash == 0) break;
        if (!urls.empty()) urls += '|';
        urls += resourceUrl;
        urls += '/';
        urls += rest.substr(0, hash);
        rest = rest.substr(hash + 1);
    }
    return urls;
}

std::vector<ReceivedSms> ParsePollReply(const std::string& reply, bool moreFollows) {
    // The reply is searched as decoded text, so a two-byte character never yields a separator.
    static constexpr std::string_view kMsgSep = "|#|", kFieldSep = "|^|";
    std::vector<ReceivedSms> out;
    std::string_view rest = reply;
    // At least 10 GBK bytes: 40 UTF-8 bytes hold 10 characters at least, so only a short rest is
    // measured (measuring every rest would cost the reply's length per message).
    const auto longEnough = [](std::string_view r) { return r.size() >= 40 || codec::GbkLength(r) >= 10; };
    while (longEnough(rest) || (moreFollows && !rest.empty())) {
        std::string_view msg;
        if (const std::size_t p = rest.find(kMsgSep); p != std::string_view::npos) {
            msg = rest.substr(0, p);
            rest = rest.substr(p + kMsgSep.size());
        } else {
            msg = rest;
            rest = {};
        }
        std::string_view fields[4];
        int k = 0;
        for (; k < 3; ++k) {
            const std::size_t p = msg.find(kFieldSep);
            if (p == std::string_view::npos) break;
            fields[k] = msg.substr(0, p);
            msg = msg.substr(p + kFieldSep.size());
        }
        if (k == 3) fields[3] = msg;
        if (fields[1].empty()) continue;
        out.push_back({std::string(fields[1]), std::string(fields[2]), std::string(fields[3])});
    }
    return out;
}

namespace {
// A field's text ends at its first NUL, so a NUL inside a received value is stored as "?"; the
// other control bytes are kept as they came.
std::string NulAsMark(std::string s) {
    std::replace(s.begin(), s.end(), '\0', '?');
    return s;
}
}  // namespace

MsgRecord ReceivedRecord(const ReceivedSms& m, int id, std::string* sender) {
    const std::string number = NulAsMark(m.number), time = NulAsMark(m.time);
    MsgRecord r = msgrec::Empty();
    r.nId = id;
    msgrec::SetField(r.szType, "接收短信");
    // Cut on character boundaries to the fields' widths.
    msgrec::SetField(r.szNumber, number);
    msgrec::SetField(r.szText, NulAsMark(m.text));
    msgrec::SetField(r.szTime, time);
    msgrec::SetField(r.szSubmitTime, time);
    r.nDevice = 0;
    if (sender) *sender = number;
    return r;
}

}  // namespace worker

int StartMsgThreads(int /*nUnused*/) {
    try {
        ThreadSet& set = Set();
        std::lock_guard<std::mutex> lock(set.mutex);
        if (!set.threads.empty() || set.running > 0) return 1;  // started once
        // A spool left by a kill is settled against the SMS log before any thread can write it.
        if (const auto& receiveLog = worker::GetServices().ReceiveLog)
            if (CRecordLog* log = receiveLog()) mospool::Settle(*log);
        g_SysInfo.bThreadsStarted = 1;
        g_threadsStarted.store(1);
        for (int i = 0; i < worker::kThreadCount; ++i) g_indexCells[static_cast<std::size_t>(i)] = i;
        for (int i = 0; i < worker::kThreadCount; ++i) {
            if (!HasJob(i)) continue;  // the idle threads are not made
            int* cell = &g_indexCells[static_cast<std::size_t>(i)];
            ++set.running;
            try {
                set.threads.emplace_back([cell, &set] {
                    ModemMsgThread(cell);
                    {
                        std::lock_guard<std::mutex> l(set.mutex);
                        --set.running;
                    }
                    set.ended.notify_all();
                });
            } catch (...) {
                --set.running;
                throw;
            }
        }
    } catch (...) {
        WriteRunLog("CWelComeDlg::OnTimer Error");
    }
    return 1;
}

int ModemMsgThread(int* pIndex) {
    for (;;) {
        try {
            const int index = *pIndex;
            int pass = 0;
            if (index == worker::kReceiveIndex) StoreLeftReceived();
            for (;;) {
                if (g_bStopThreads.load() != 0) return 1;
                PassSleep(g_firstSleepMs.load());
                if (g_bStopThreads.load() == 1) return 1;
                if (index >= 0 && index <= 9) {
                    SendSmsBatch(index);
                } else if (index >= 10 && index <= 19) {
                    SendMmsBatch(index);
                } else if (index == worker::kReceiveIndex) {
                    if (pass % 50 == 28) ReceiveSms();
                } else if (index == worker::kMmsBalanceIndex) {
                    if (pass % 90 == 55) {
                        if (auto& q = worker::GetServices().QueryMmsBalance) q();
                    }
                } else if (index == worker::kSmsBalanceIndex) {
                    if (pass % 130 == 83) {
                        if (auto& q = worker::GetServices().QuerySmsBalance) q();
                    }
                }
                if (g_bStopThreads.load() == 1) return 1;
                PassSleep(g_secondSleepMs.load());
                ++pass;
            }
        } catch (...) {
            WriteRunLog("ModemMsgThread Error");
        }
    }
}

namespace {
// Sends a fetched batch and closes it with the result under its queue lock. A send that throws
// closes it as failed first: left held, its rows would be logged by this thread's next
// completion, with that batch's result.
template <class Send, class Finish>
void SendAndFinish(AutoResetEvent& queueLock, Send send, Finish finish) {
    int result = 0;
    try {
        result = send();
    } catch (...) {
        {
            ScopedEventLock lock(queueLock, kQueueLockTimeoutMs);
            finish(0);
        }
        throw;
    }
    ScopedEventLock lock(queueLock, kQueueLockTimeoutMs);
    finish(result);
}
}  // namespace

int SendSmsBatch(int nIndex) {
    ISmsQueueSide* queue = g_smsQueue.load();
    if (!queue) return -1;
    std::string numbers, text;
    int count = 0;
    {
        ScopedEventLock lock(g_lockSMSQueue, kQueueLockTimeoutMs);
        count = queue->FetchSMSBatch(nIndex, numbers, text);
    }
    if (count < 1) return -1;
    if (g_bStopThreads.load() == 1) return 1;  // the rows stay held; they are saved as pending
    const auto& send = worker::GetServices().SendSms;
    SendAndFinish(g_lockSMSQueue, [&] { return send ? send(numbers, text) : 0; },
                  [&](int result) { queue->FinishSMSBatch(nIndex, result, count); });
    return 1;
}

int SendMmsBatch(int nIndex) {
    IMmsQueueSide* queue = g_mmsQueue.load();
    if (!queue) return -1;
    std::string receivers, title, files;
    int count = 0;
    {
        ScopedEventLock lock(g_lockMMSQueue, kQueueLockTimeoutMs);
        count = queue->FetchMMSBatch(nIndex, receivers, title, files);
    }
    if (count < 1) return -1;
    if (g_bStopThreads.load() == 1) return 1;
    const worker::Services& s = worker::GetServices();
    SendAndFinish(
        g_lockMMSQueue,
        [&] {
            const std::string urls = worker::BuildFileUrls(files, s.ResourceUrl ? s.ResourceUrl() : std::string());
            return (s.SendMms && s.SendMms(receivers, title, urls) == 1) ? 1 : 0;
        },
        [&](int result) { queue->FinishMMSBatch(nIndex, result, count); });
    return 1;
}

namespace {
CRecordLog* ReceiveLog() {
    const auto& receiveLog = worker::GetServices().ReceiveLog;
    return receiveLog ? receiveLog() : nullptr;
}
}  // namespace

void StoreLeftReceived() {
    if (CRecordLog* log = ReceiveLog()) mospool::Store(*log);
}

int ReceiveSms() {
    const worker::Services& s = worker::GetServices();
    CRecordLog* log = ReceiveLog();
    if (!s.PollMo || !log) return 1;
    // The platform hands each message out once: while an earlier reply is not all stored, the
    // platform keeps the new ones.
    if (mospool::Store(*log) == mospool::Result::Failed) return 1;
    mospool::Receive(*log, s.PollMo());
    return 1;
}
