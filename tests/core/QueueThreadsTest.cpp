#include "QueueTestSupport.h"

#include "core/QueueJournal.h"

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

// Writers of every kind and saves at the same time; the saves stop halfway, the writers go on,
// then a kill (no further save): every row is loaded exactly once, from the file or from the
// journal. Only the last save can leave a row twice or not at all (a later one puts it right),
// so each round ends its saves while the writers run: a row put into a list before its
// journal entry, or outside the journal's lock, comes back twice or is lost.
TEST(QueueThreads, WritersAndSavesThenAKillLoadEveryRowOnce) {
    constexpr int kThreads = 4, kPerThread = 200, kRounds = 24;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        Pages p;
        p.LoadBoth();
        std::atomic<int> written{0};
        std::atomic<bool> go{false};
        // The saves run from before the first row to past the half of them.
        std::thread saver([&] {
            p.SaveBoth();
            go = true;
            do p.SaveBoth();
            while (written.load() < kThreads * kPerThread / 2);
        });
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([&, t] {
                while (!go.load()) std::this_thread::yield();
                for (int i = 0; i < kPerThread; ++i, ++written) {
                    const int id = t * 100000 + i;
                    const std::string number = std::to_string(13000000000LL + id);
                    // Half the writers queue their SMS through the bulk writer, one row a call.
                    if (t % 2) p.sms->AddSMSItems({{id, number, "", "t"}}, i % 3 == 0);
                    else p.sms->AddSMSItem(id, number, "", "t", "", i % 3 == 0);
                    p.mms->AddMMSItem(id, number, "", "t", "A", "", 0);
                    if (i % 10 == 0) {
                        p.sms->AddSMSItems({{id, number + "1", "", "bulk"}, {id, number + "2", "", "bulk"}}, i % 20 == 0);
                        p.mms->AddMMSItem(id, number, "", "t", "A", "2030-01-01 00:00:00", 0);
                        p.sms->AddSMSItem(id, number, "", "t", "[每日]8时30分", 0);
                    }
                }
            });
        }
        for (auto& w : writers) w.join();
        saver.join();
        p.Restart();
        p.LoadBoth();

        std::multiset<std::string> sms, mms, timed, cyclic;
        for (const auto& n : Column(p.sms->Immediate(), queue::kColNumber)) sms.insert(n);
        for (const auto& n : Column(p.mms->Immediate(), queue::kColNumber)) mms.insert(n);
        for (const auto& n : Column(p.mms->Timed(), queue::kColNumber)) timed.insert(n);
        for (const auto& n : Column(p.sms->Cyclic(), queue::kColNumber)) cyclic.insert(n);
        EXPECT_EQ(sms.size(), std::size_t(kThreads * kPerThread + kThreads * kPerThread / 10 * 2));
        EXPECT_EQ(mms.size(), std::size_t(kThreads * kPerThread));
        EXPECT_EQ(timed.size(), std::size_t(kThreads * kPerThread / 10));
        EXPECT_EQ(cyclic.size(), std::size_t(kThreads * kPerThread / 10));
        EXPECT_EQ(p.sms->Timed().Count() + p.mms->Cyclic().Count(), 0u);
        std::size_t wrong = 0;
        for (int t = 0; t < kThreads; ++t)
            for (int i = 0; i < kPerThread; ++i) {
                const std::string number = std::to_string(13000000000LL + t * 100000 + i);
                wrong += sms.count(number) != 1;
                wrong += mms.count(number) != 1;
                if (i % 10 == 0)
                    wrong += sms.count(number + "1") != 1 || sms.count(number + "2") != 1 || timed.count(number) != 1 ||
                             cyclic.count(number) != 1;
            }
        ASSERT_EQ(wrong, 0u);
    }
}

// What a save snapshots goes with its journal mark: while writers of both forms queue, every
// snapshot holds exactly the rows of the journal entries before its mark (the journal only
// grows here). A row put into the list outside the journal's lock breaks it at any moment,
// not only at the last save.
TEST(QueueThreads, EverySnapshotHoldsExactlyTheRowsJournalledBeforeItsMark) {
    Pages p;
    p.LoadBoth();
    constexpr int kThreads = 4, kPerThread = 1500;
    std::atomic<int> done{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const int id = t * 100000 + i;
                const std::string number = std::to_string(13000000000LL + id);
                if (t % 2) p.sms->AddSMSItems({{id, number, "", "t"}}, i % 3 == 0);
                else p.sms->AddSMSItem(id, number, "", "t", "", i % 3 == 0);
            }
            ++done;
        });
    int checks = 0, wrong = 0;
    while (done.load() < kThreads || checks == 0) {
        std::size_t listed = 0;
        const std::uint64_t mark = p.sms->Journal().Snapshot([&] { listed = p.sms->Immediate().SnapshotPacked().size(); });
        const std::string bytes = testsupport::ReadFile(p.sms->Journal().Path());
        std::size_t journalled = 0;
        for (const auto& e : qjournal::Decode(std::string_view(bytes).substr(0, static_cast<std::size_t>(mark))))
            journalled += e.count;
        wrong += journalled != listed;
        ++checks;
    }
    for (auto& w : writers) w.join();
    EXPECT_EQ(wrong, 0) << "of " << checks << " snapshots";
    EXPECT_EQ(p.sms->Immediate().Count(), std::size_t(kThreads * kPerThread));
}

}  // namespace
