#include "QueueTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

using namespace queuetest;

namespace {

// Writers on several threads and saves at the same time: after a final save and a restart,
// every queued row is there exactly once.
TEST(QueueThreads, WritersAndSavesLoseAndDuplicateNothing) {
    Pages p;
    p.LoadBoth();
    paths::MakeDirs(p.dir.file("MMSSink"));
    testsupport::WriteFile(p.dir.file("MMSSink/A.qmx"), std::string(4500, 'a'));
    constexpr int kThreads = 4, kPerThread = 500;
    std::atomic<int> done{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const std::string number = std::to_string(13000000000LL + t * 100000 + i);
                p.sms->AddSMSItem(t * 100000 + i, number, "", "t", "", i % 3 == 0);
                p.mms->AddMMSItem(t * 100000 + i, number, "", "t", i % 2 ? "A" : "B", "", 0);
                if (i % 50 == 0) p.sms->AddSMSItem(i, number + " 1", "", "t", "2030-01-01 00:00:00", 0);
            }
            ++done;
        });
    }
    std::thread saver([&] {
        while (done.load() < kThreads) p.SaveBoth();
    });
    for (auto& w : writers) w.join();
    saver.join();
    p.SaveBoth();
    p.Restart();
    p.LoadBoth();

    std::multiset<std::string> sms, mms;
    for (const auto& n : Column(p.sms->Immediate(), queue::kColNumber)) sms.insert(n);
    for (const auto& r : p.mms->Immediate().Snapshot()) {
        mms.insert(r.cells[queue::kColNumber]);
        EXPECT_EQ(r.cells[queue::kColSize], r.cells[queue::kColPackage] == "A" ? "5K" : "1K");
    }
    ASSERT_EQ(sms.size(), std::size_t(kThreads * kPerThread));
    ASSERT_EQ(mms.size(), std::size_t(kThreads * kPerThread));
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kPerThread; ++i) {
            const std::string number = std::to_string(13000000000LL + t * 100000 + i);
            EXPECT_EQ(sms.count(number), 1u);
            EXPECT_EQ(mms.count(number), 1u);
        }
    EXPECT_EQ(p.sms->Timed().Count(), std::size_t(kThreads * kPerThread / 50));
}

}  // namespace
