#pragma once
// Fixtures of the queue tests: a temporary program folder with both pages' queues.
#include "core/PendingQueues.h"
#include "core/ScheduledStore.h"
#include "support/TestSupport.h"
#include "platform/Clock.h"

#include <memory>
#include <string>
#include <vector>

namespace queuetest {

struct Pages {
    testsupport::TempAppDir dir;
    std::unique_ptr<ScheduledStore> timed = std::make_unique<ScheduledStore>("MsgTS.dat", false);
    std::unique_ptr<ScheduledStore> cyclic = std::make_unique<ScheduledStore>("MsgCS.dat", true);
    std::unique_ptr<PendingQueues> sms = std::make_unique<PendingQueues>(queue::Kind::Sms, *timed, *cyclic);
    std::unique_ptr<PendingQueues> mms = std::make_unique<PendingQueues>(queue::Kind::Mms, *timed, *cyclic);

    // A fresh start of the program on the same folder: new, unloaded stores and pages.
    void Restart() {
        sms.reset();
        mms.reset();
        timed = std::make_unique<ScheduledStore>("MsgTS.dat", false);
        cyclic = std::make_unique<ScheduledStore>("MsgCS.dat", true);
        sms = std::make_unique<PendingQueues>(queue::Kind::Sms, *timed, *cyclic);
        mms = std::make_unique<PendingQueues>(queue::Kind::Mms, *timed, *cyclic);
    }
    void LoadBoth() {
        mms->LoadQueues();
        sms->LoadQueues();
    }
    void SaveBoth() {
        mms->SaveQueues();
        sms->SaveQueues();
    }
};

inline std::vector<std::string> Column(const rows::RowStore& s, int col) {
    std::vector<std::string> out;
    for (const auto& r : s.Snapshot()) out.push_back(r.cells[static_cast<std::size_t>(col)]);
    return out;
}

struct ClockGuard {
    ~ClockGuard() { clk::Reset(); }
};

}  // namespace queuetest
