// The engine on a worker thread against the UI thread's changes of the reply list, and the page
// destroyed while a call of the receive hook is still running.
#include "contacts/AutoReplyFixture.h"
#include "contacts/AutoReplyMmsFixture.h"
#include "core/MsgRecord.h"
#include "core/RecordLog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <set>
#include <thread>

using namespace autoreply;
using autoreplytest::ReadLog;

namespace {
constexpr const char* kMobile = "13800138000";
class AutoReplyThreads : public autoreplytest::EngineFixture {};
}  // namespace

TEST_F(AutoReplyThreads, ListChangesDuringAnswersLoseNoCount) {
    engine->LoadSettings();
    engine->Set(kReplyMode, 1);
    engine->Set(kAddNumber, 1);
    std::set<std::string> texts;  // every text a row ever had
    for (int i = 0; i < 4; ++i) {
        engine->CyclicList().Append({"r" + std::to_string(i), "", ""});
        texts.insert("r" + std::to_string(i));
    }
    constexpr int kCalls = 200;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < kCalls; ++i) engine->ProcessIncoming(kMobile, "q", 0);
        done = true;
    });
    long long deletedCounts = 0;
    int resets = 0;
    for (int k = 4; !done; ++k) {
        rows::RowStore& list = engine->CyclicList();
        switch (k % 4) {
        case 0: {
            auto lock = engine->LockTables();
            texts.insert("r" + std::to_string(k));
            list.Append({"r" + std::to_string(k), "", ""});
            break;
        }
        case 1: {
            auto lock = engine->LockTables();
            const rows::RowId id = list.IdAt(static_cast<std::size_t>(k) % list.Count());
            texts.insert("m" + std::to_string(k));
            list.SetCell(id, kColText, "m" + std::to_string(k));
            break;
        }
        case 2: {
            auto lock = engine->LockTables();
            if (list.Count() < 3) break;
            const rows::RowId id = list.IdAt(static_cast<std::size_t>(k) % list.Count());
            deletedCounts += std::atoll(list.Cell(id, kColTimesSent).value_or("").c_str());
            list.Remove(id);
            break;
        }
        default:
            engine->Set(kNextNumber, 0);
            ++resets;
        }
        std::this_thread::yield();
    }
    worker.join();

    long long counted = deletedCounts;
    for (const rows::RowData& r : engine->CyclicList().Snapshot()) counted += std::atoll(r.cells[kColTimesSent].c_str());
    EXPECT_EQ(counted, kCalls);
    ASSERT_EQ(sms.size(), static_cast<std::size_t>(kCalls));
    int last = -1;
    for (const autoreplytest::SmsRow& r : sms) {
        ASSERT_GE(r.text.size(), 6u);
        const int number = std::atoi(r.text.substr(0, 6).c_str());
        // Running numbers go up by one between the resets.
        EXPECT_TRUE(number == last + 1 || number == 0) << r.text;
        last = number;
        EXPECT_EQ(texts.count(r.text.substr(6)), 1u) << r.text;
    }
    const auto log = ReadLog();
    ASSERT_EQ(log.size(), static_cast<std::size_t>(kCalls));
    for (const AutoReplyLogRecord& r : log) EXPECT_EQ(autoreplytest::LogLine::Of(r).status, "已回复");
    EXPECT_GT(resets, 0);
}

// The page's reset of the running number while an answer has read it and not yet raised it:
// the reset waits for the answer and then holds.
TEST_F(AutoReplyThreads, NumberResetDuringAChoiceIsNotLost) {
    engine->LoadSettings();
    engine->Set(kReplyMode, 1);
    engine->Set(kAddNumber, 1);
    engine->Set(kNextNumber, 7);
    engine->CyclicList().Append({"r0", "", ""});
    engine->CyclicList().Append({"r1", "", ""});
    std::mutex hm;
    std::condition_variable cv;
    bool held = false, resetDone = false;
    engine->SetCyclicChoiceHook([&] {
        std::unique_lock<std::mutex> lock(hm);
        if (held) return;  // the first answer only
        held = true;
        cv.notify_all();
        // Without the tables' lock the reset gets through at once; with it the reset waits for
        // this answer, so the wait runs out.
        cv.wait_for(lock, std::chrono::milliseconds(500), [&] { return resetDone; });
    });
    std::thread receive([&] { engine->ProcessIncoming(kMobile, "q", 0); });
    {
        std::unique_lock<std::mutex> lock(hm);
        EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return held; }));
    }
    engine->Set(kNextNumber, 1);  // CAutoReplyDlg::OnResetNumber
    {
        std::lock_guard<std::mutex> lock(hm);
        resetDone = true;
    }
    cv.notify_all();
    receive.join();
    engine->ProcessIncoming(kMobile, "q", 0);

    ASSERT_EQ(sms.size(), 2u);
    EXPECT_EQ(sms[0].text, "000007r0");
    EXPECT_EQ(sms[1].text, "000001r1");
    EXPECT_EQ(engine->Get(kNextNumber), 2);
    Restart();
    engine->LoadSettings();
    EXPECT_EQ(engine->Get(kNextNumber), 2);
    EXPECT_EQ(engine->Get(kCyclicPos), 2);
}

TEST(AutoReplyPageThreads, PageDestroyedWhileACallWaits) {
    autoreplytest::MmsPages p;
    ASSERT_TRUE(p.ftp.ok());
    p.MakePackage();
    g_nMmsBalance = 0;  // the call asks the platform first, which answers late
    platformsim::Fault slow;
    slow.delayMs = 800;
    p.sim.SetFault("/Account", slow);
    p.page->Engine().KeywordList().Append({"彩信", "彩信文件：G\\N"});

    CRecordLog log(LogKind::Sms);
    ReleaseRecordLockOnce();
    MsgRecord r = msgrec::Empty();
    msgrec::SetField(r.szType, "接收短信");
    msgrec::SetField(r.szNumber, kMobile);
    msgrec::SetField(r.szText, "彩信");
    std::thread receiver([&] { log.AddLogRecord(&r); });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return p.sim.RequestCount("/Account") == 1; }));
    p.page.reset();  // while the request waits
    receiver.join();

    ASSERT_EQ(p.MmsRows().size(), 1u);
    EXPECT_EQ(p.MmsRows()[0][2], "自动回复");
    EXPECT_EQ(ReadLog().size(), 1u);
    // The hook is gone with the page.
    log.AddLogRecord(&r);
    EXPECT_EQ(p.MmsRows().size(), 1u);
    EXPECT_EQ(ReadLog().size(), 1u);
    EXPECT_EQ(p.sim.RequestCount("/Account"), 1u);
}
