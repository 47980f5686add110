// The record logs: file format, appends, hand-off of received messages, delivery reports, the
// record lock and the whole-log read.
#include "core/Globals.h"
#include "core/RecordLog.h"
#include "platform/AtomicFile.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <vector>

using testsupport::ReadFile;
using testsupport::WaitUntil;
using testsupport::WriteFile;

namespace {

MsgRecord Rec(int id, std::string_view type, std::string_view number, std::string_view text = "内容") {
    MsgRecord r = msgrec::Empty();
    r.nId = id;
    msgrec::SetField(r.szType, type);
    msgrec::SetField(r.szNumber, number);
    msgrec::SetField(r.szText, text);
    msgrec::SetField(r.szTime, "2008-05-01 10:00:00");
    r.nDevice = id % 10;
    return r;
}

std::string Bytes(const std::vector<MsgRecord>& recs) {
    std::string out(recs.size() * kMsgRecordSize, '\0');
    for (std::size_t i = 0; i < recs.size(); ++i) msgrec::ToBytes(recs[i], out.data() + i * kMsgRecordSize);
    return out;
}

ReportNotice* SmsNotice(std::string_view number, std::string_view time) {
    auto* n = new ReportNotice;
    n->nMsgId = 0;
    std::memcpy(n->szNumber, number.data(), std::min(number.size(), sizeof n->szNumber - 1));
    std::memcpy(n->szTime, time.data(), std::min(time.size(), sizeof n->szTime - 1));
    return n;
}

ReportNotice* MmsNotice(int id, int delivered, std::string_view time) {
    auto* n = new ReportNotice;
    n->nMsgId = id;
    n->nDelivered = delivered;
    std::memcpy(n->szTime, time.data(), std::min(time.size(), sizeof n->szTime - 1));
    return n;
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Runs the UI thread's queue up to everything posted before this call.
void DrainUi() {
    std::atomic<bool> done{false};
    seam::PostToUi([&] { done = true; });
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
}

struct HookCall {
    std::string number, text;
    int type;
    long long logSizeAtCall;
};

class RecordLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseRecordLockOnce();  // made taken; the records pages release it at their start
        g_ReportNoticeList.RemoveAll();
        oldHook_ = SetIncomingHook([this](const std::string& number, const std::string& text, int type) {
            std::lock_guard<std::mutex> lock(m_);
            calls_.push_back({number, text, type, paths::FileSize(watch_)});
        });
    }
    void TearDown() override {
        SetIncomingHook(std::move(oldHook_));
        g_ReportNoticeList.RemoveAll();
    }
    void Store(CRecordLog& log, const std::vector<MsgRecord>& recs) { WriteFile(log.FilePath(), Bytes(recs)); }

    testsupport::TempAppDir dir_;
    CRecordLog sms_{LogKind::Sms};
    CRecordLog mms_{LogKind::Mms};
    std::mutex m_;
    std::vector<HookCall> calls_;
    IncomingHook oldHook_;
    std::string watch_;  // the log whose size the hook notes
};

TEST(RecordStatus, IconsKindsAndClasses) {
    struct Case {
        std::string_view status;
        int icon;
        bool sms, mms;
        int cls;
    } cases[] = {
        {"已发送短信", 0, true, false, 1}, {"已送达短信", 1, true, false, 3},
        {"接收短信", 2, true, false, 5},   {"发送失败短信", 3, true, false, 2},
        {"已发送彩信", 4, false, true, 1}, {"已送达彩信", 5, false, true, 3},
        {"被拒收彩信", 6, false, true, 4}, {"接收彩信", 7, false, true, 5},
        {"发送失败彩信", 8, false, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.status));
        EXPECT_EQ(recstatus::IconOf(c.status), c.icon);
        EXPECT_EQ(recstatus::IsSms(c.status), c.sms);
        EXPECT_EQ(recstatus::IsMms(c.status), c.mms);
        for (int k = 1; k <= 5; ++k) EXPECT_EQ(recstatus::HasClass(c.status, k), k == c.cls) << k;
        EXPECT_TRUE(recstatus::HasClass(c.status, 0));
    }
    EXPECT_EQ(recstatus::IconOf(""), -1);
    EXPECT_EQ(recstatus::IconOf("已发送短信 "), -1);
    EXPECT_EQ(recstatus::IconOf("短信"), -1);
}

TEST_F(RecordLogTest, AppendsWholeRecordsInOrderToItsOwnFile) {
    const MsgRecord a = Rec(4, "已发送短信", "13800000001");
    const MsgRecord b = Rec(7, "发送失败短信", "13800000002");
    const MsgRecord c = Rec(10, "已发送彩信", "13800000003");
    sms_.AddLogRecord(&a);
    sms_.AddLogRecord(&b);
    mms_.AddLogRecord(&c);
    EXPECT_EQ(sms_.FilePath(), dir_.file("SMSMsgSL.dat"));
    EXPECT_EQ(mms_.FilePath(), dir_.file("MMSMsgSL.dat"));
    EXPECT_EQ(ReadFile(dir_.file("SMSMsgSL.dat")), Bytes({a, b}));
    EXPECT_EQ(ReadFile(dir_.file("MMSMsgSL.dat")), Bytes({c}));
    sms_.AddLogRecord(nullptr);
    EXPECT_EQ(paths::FileSize(sms_.FilePath()), 2 * 1592);
}

TEST_F(RecordLogTest, ReceivedMessagesGoToAutoReplyBeforeTheyAreStored) {
    struct Case {
        LogKind kind;
        std::string_view status;
        bool logOpens;
        int expectType;  // -1: no hand-off
    } cases[] = {
        {LogKind::Sms, "接收短信", true, 0},      {LogKind::Sms, "接收短信", false, 0},
        {LogKind::Mms, "接收彩信", true, 1},      {LogKind::Mms, "接收彩信", false, 1},
        {LogKind::Sms, "已发送短信", true, -1},   {LogKind::Sms, "发送失败短信", true, -1},
        {LogKind::Mms, "已发送彩信", true, -1},   {LogKind::Sms, "接收短信。", true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.status) + (c.logOpens ? " opens" : " cannot open"));
        testsupport::TempAppDir dir;
        CRecordLog log(c.kind);
        watch_ = log.FilePath();
        if (!c.logOpens) {
            ASSERT_TRUE(paths::MakeDirs(log.FilePath()));  // a folder in its place
        }
        calls_.clear();
        const MsgRecord r = Rec(31, c.status, "13912345678", "查询余额");
        log.AddLogRecord(&r);
        if (c.expectType < 0) {
            EXPECT_TRUE(calls_.empty());
        } else {
            ASSERT_EQ(calls_.size(), 1u);
            EXPECT_EQ(calls_[0].number, "13912345678");
            EXPECT_EQ(calls_[0].text, "查询余额");
            EXPECT_EQ(calls_[0].type, c.expectType);
            if (c.logOpens) {
                EXPECT_EQ(calls_[0].logSizeAtCall, -1);  // not written yet
            }
        }
        if (c.logOpens) {
            EXPECT_EQ(ReadFile(log.FilePath()), Bytes({r}));
        } else {
            EXPECT_TRUE(paths::IsDirectory(log.FilePath()));
        }
    }
}

TEST_F(RecordLogTest, AutoRefreshPostsACopyOfTheRecordAndTheCount) {
    std::vector<MsgRecord> rows;
    int counts = 0;
    sms_.SetNotify({[&](const MsgRecord& r, RecordPlace) { rows.push_back(r); }, [&] { ++counts; }});
    for (bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        rows.clear();
        counts = 0;
        sms_.SetAutoRefresh(on);
        MsgRecord r = Rec(on ? 1 : 2, "接收短信", "13900000000");
        sms_.AddLogRecord(&r);
        msgrec::SetField(r.szText, "changed after the call");  // the caller keeps its record
        DrainUi();
        if (on) {
            ASSERT_EQ(rows.size(), 1u);
            const MsgRecord expect = Rec(1, "接收短信", "13900000000");
            EXPECT_EQ(std::memcmp(&rows[0], &expect, kMsgRecordSize), 0);
            EXPECT_EQ(counts, 1);
        } else {
            EXPECT_TRUE(rows.empty());
            EXPECT_EQ(counts, 0);
        }
    }
    EXPECT_EQ(paths::FileSize(sms_.FilePath()), 2 * 1592);
}

TEST_F(RecordLogTest, NotificationsOfADestroyedLogAreDropped) {
    int calls = 0;
    {
        CRecordLog log(LogKind::Mms);
        log.SetNotify({[&](const MsgRecord&, RecordPlace) { ++calls; }, [&] { ++calls; }});
        const MsgRecord r = Rec(1, "已发送彩信", "13900000000");
        log.AddLogRecord(&r);
    }
    DrainUi();
    EXPECT_EQ(calls, 0);
}

TEST_F(RecordLogTest, MoreThanAHundredWaitingNoticesAreAppliedByAnAppend) {
    for (int waiting : {100, 101}) {
        SCOPED_TRACE(waiting);
        g_ReportNoticeList.RemoveAll();
        const MsgRecord sent = Rec(4, "已发送短信", "13800000001");
        Store(sms_, {sent});
        for (int i = 0; i < waiting; ++i) g_ReportNoticeList.AddTail(SmsNotice("13800000001", "2008-05-01 10:00:05"));
        for (int i = 0; i < 5; ++i) g_ReportNoticeList.AddTail(MmsNotice(4, 1, "x"));  // not this log's
        const MsgRecord next = Rec(7, "已发送短信", "13800000002");
        sms_.AddLogRecord(&next);
        std::vector<MsgRecord> recs;
        ASSERT_TRUE(sms_.ReadRecords(recs));
        ASSERT_EQ(recs.size(), 2u);
        EXPECT_EQ(msgrec::GetField(recs[0].szType), waiting > 100 ? "已送达短信" : "已发送短信");
        EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Sms), waiting > 100 ? 0 : 100);
        EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Mms), 5);
    }
}

TEST_F(RecordLogTest, NoNoticeOfItsKindLeavesTheLogUntouched) {
    const std::vector<MsgRecord> recs = {Rec(4, "已发送短信", "13800000001"), Rec(7, "接收短信", "13800000002")};
    Store(sms_, recs);
    const ino_t before = Inode(sms_.FilePath());
    sms_.ApplyDeliveryReports();  // nothing waits
    g_ReportNoticeList.AddTail(MmsNotice(4, 1, "2008-05-01 10:00:05"));
    sms_.ApplyDeliveryReports();  // an MMS notice is not for the SMS log
    EXPECT_EQ(Inode(sms_.FilePath()), before);
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes(recs));
    EXPECT_EQ(g_ReportNoticeList.GetCount(), 1);

    // A missing or empty log keeps the notices for a later call.
    g_ReportNoticeList.AddTail(SmsNotice("13800000001", "t"));
    mms_.ApplyDeliveryReports();
    EXPECT_FALSE(paths::FileExists(mms_.FilePath()));
    WriteFile(mms_.FilePath(), "");
    mms_.ApplyDeliveryReports();
    EXPECT_EQ(paths::FileSize(mms_.FilePath()), 0);
    EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Mms), 1);

    // A busy run on the same log makes a second one return at once.
    g_bSMSReportsBusy = 1;
    sms_.ApplyDeliveryReports();
    g_bSMSReportsBusy = 0;
    EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Sms), 1);
    EXPECT_EQ(Inode(sms_.FilePath()), before);
}

TEST_F(RecordLogTest, SmsReportChangesOnlyTheNewestSentRecordOfItsNumber) {
    std::vector<MsgRecord> recs = {
        Rec(1, "已发送短信", "13800000001"),    // older sent
        Rec(4, "发送失败短信", "13800000001"),  // never changed
        Rec(7, "已发送短信", "13800000001"),    // newest sent: the one
        Rec(10, "发送失败短信", "13800000001"), // newer, but failed
        Rec(13, "已发送短信", "138000000011"),  // another number
        Rec(16, "已发送短信", "13800000002"),
    };
    Store(sms_, recs);
    g_ReportNoticeList.AddTail(SmsNotice("13800000001", "2008-05-01 10:00:05"));
    g_ReportNoticeList.AddTail(SmsNotice("13800000009", "2008-05-01 10:00:06"));  // matches nothing
    g_ReportNoticeList.AddTail(MmsNotice(13, 1, "2008-05-01 10:00:07"));          // the MMS log's
    sms_.ApplyDeliveryReports();
    msgrec::SetField(recs[2].szType, "已送达短信");
    msgrec::SetField(recs[2].szSubmitTime, "2008-05-01 10:00:05");
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes(recs));
    EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Sms), 0);
    EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Mms), 1);

    // Only failed records of the number: nothing changes and the notice is dropped.
    const std::vector<MsgRecord> failed = {Rec(1, "发送失败短信", "13900000001")};
    Store(sms_, failed);
    g_ReportNoticeList.AddTail(SmsNotice("13900000001", "t"));
    sms_.ApplyDeliveryReports();
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes(failed));
    EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Sms), 0);
}

TEST_F(RecordLogTest, MmsReportMarksTheNewestRecordOfItsId) {
    struct Case {
        int delivered;
        std::string_view status;
    } cases[] = {{0, "被拒收彩信"}, {1, "已送达彩信"}, {2, "被拒收彩信"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delivered);
        std::vector<MsgRecord> recs = {Rec(7, "已发送彩信", "13800000001"), Rec(7, "发送失败彩信", "13800000002"),
                                       Rec(8, "已发送彩信", "13800000003")};
        Store(mms_, recs);
        g_ReportNoticeList.AddTail(MmsNotice(7, c.delivered, "2008-05-01 10:00:05"));
        g_ReportNoticeList.AddTail(SmsNotice("13800000001", "t"));  // the SMS log's
        mms_.ApplyDeliveryReports();
        msgrec::SetField(recs[1].szType, c.status);
        msgrec::SetField(recs[1].szSubmitTime, "2008-05-01 10:00:05");
        EXPECT_EQ(ReadFile(mms_.FilePath()), Bytes(recs));
        EXPECT_EQ(g_ReportNoticeList.GetCount(LogKind::Sms), 1);
        g_ReportNoticeList.RemoveAll();
    }
}

TEST_F(RecordLogTest, AReportTimeNeverRunsPastItsField) {
    const std::vector<MsgRecord> recs = {Rec(7, "已发送彩信", "13800000001")};
    Store(mms_, recs);
    auto* n = MmsNotice(7, 1, "");
    std::memset(n->szTime, '9', sizeof n->szTime);  // not terminated
    g_ReportNoticeList.AddTail(n);
    mms_.ApplyDeliveryReports();
    std::vector<MsgRecord> out;
    ASSERT_TRUE(mms_.ReadRecords(out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(msgrec::GetField(out[0].szSubmitTime), std::string(39, '9'));
    EXPECT_EQ(std::memcmp(out[0].szSendId, recs[0].szSendId, sizeof recs[0].szSendId), 0);
}

TEST_F(RecordLogTest, TornTailIsNeverReadAndIsCutBeforeTheNextAppend) {
    const std::vector<MsgRecord> recs = {Rec(1, "已发送短信", "13800000001"), Rec(4, "已发送短信", "13800000002"),
                                         Rec(7, "接收短信", "13800000003")};
    const std::string tail = "\x01\x02\x03\x04\x05";
    WriteFile(sms_.FilePath(), Bytes(recs) + tail);

    std::vector<MsgRecord> all, newest;
    ASSERT_TRUE(sms_.ReadRecords(all));
    EXPECT_EQ(Bytes(all), Bytes(recs));
    ASSERT_TRUE(sms_.ReadRecords(newest, 2));
    EXPECT_EQ(Bytes(newest), Bytes({recs[1], recs[2]}));
    ASSERT_TRUE(sms_.ReadRecords(newest, 100));
    EXPECT_EQ(newest.size(), 3u);

    // A rewrite keeps every byte, the torn tail included.
    g_ReportNoticeList.AddTail(SmsNotice("13800000002", "2008-05-01 10:00:05"));
    sms_.ApplyDeliveryReports();
    std::vector<MsgRecord> expect = recs;
    msgrec::SetField(expect[1].szType, "已送达短信");
    msgrec::SetField(expect[1].szSubmitTime, "2008-05-01 10:00:05");
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes(expect) + tail);
    EXPECT_EQ(paths::FileSize(sms_.FilePath()), 4781);

    // The next append keeps the torn bytes aside and stays aligned.
    const MsgRecord next = Rec(10, "已发送短信", "13800000004");
    sms_.AddLogRecord(&next);
    expect.push_back(next);
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes(expect));
    EXPECT_EQ(ReadFile(sms_.FilePath() + ".bad"), tail);
}

TEST_F(RecordLogTest, RewriteAndClearReplaceTheLogWhole) {
    const std::vector<MsgRecord> recs = {Rec(1, "已发送短信", "1"), Rec(4, "已发送短信", "2")};
    EXPECT_FALSE(sms_.RewriteLog([](std::string&) { return true; }));
    EXPECT_FALSE(sms_.ClearLog());
    EXPECT_FALSE(paths::FileExists(sms_.FilePath()));
    Store(sms_, recs);
    EXPECT_FALSE(sms_.RewriteLog([](std::string& b) { b.clear(); return false; }));
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes(recs));
    EXPECT_TRUE(sms_.RewriteLog([](std::string& b) { b.erase(0, kMsgRecordSize); return true; }));
    EXPECT_EQ(ReadFile(sms_.FilePath()), Bytes({recs[1]}));
    EXPECT_TRUE(sms_.ClearLog());
    EXPECT_EQ(paths::FileSize(sms_.FilePath()), 0);
    std::vector<MsgRecord> out;
    EXPECT_TRUE(sms_.ReadRecords(out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(mms_.ReadRecords(out));  // no log
}

TEST_F(RecordLogTest, AReaderThatThrowsLeavesNoFileOpen) {
    Store(sms_, {Rec(1, "已发送短信", "1"), Rec(4, "已发送短信", "2")});
    auto openFds = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
    };
    const auto before = openFds();
    for (int i = 0; i < 5; ++i)
        EXPECT_THROW(sms_.ForEachRecord([](const MsgRecord&) { throw std::runtime_error("stop"); }), std::runtime_error);
    EXPECT_EQ(openFds(), before);
}

TEST_F(RecordLogTest, ResetViewAndDefaults) {
    EXPECT_EQ(sms_.GetView(), 1);
    EXPECT_TRUE(sms_.GetAutoRefresh());
    sms_.SetView(3);
    sms_.ResetView();
    EXPECT_EQ(sms_.GetView(), 1);
}

// ---- Threads ---------------------------------------------------------------------------------------

class RecordLogThreads : public RecordLogTest {};

TEST_F(RecordLogThreads, RowsReachTheUiThreadWithoutTheWorkerWaiting) {
    std::vector<int> ids;
    std::vector<bool> onUi;
    int counts = 0;
    sms_.SetNotify({[&](const MsgRecord& r, RecordPlace) {
                        ids.push_back(r.nId);
                        onUi.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
                    },
                    [&] { ++counts; }});
    // The UI thread serves no events while the worker runs: the worker must not wait for it.
    std::thread worker([&] {
        for (int i = 1; i <= 20; ++i) {
            const MsgRecord r = Rec(i, "已发送短信", "13800000001");
            sms_.AddLogRecord(&r);
        }
    });
    worker.join();
    EXPECT_TRUE(ids.empty());
    ASSERT_TRUE(WaitUntil([&] { return ids.size() == 20; }));
    std::vector<int> expect;
    for (int i = 1; i <= 20; ++i) expect.push_back(i);
    EXPECT_EQ(ids, expect);
    EXPECT_EQ(std::count(onUi.begin(), onUi.end(), true), 20);
    // Appends the UI thread had not come round to are served by one call with one count.
    EXPECT_EQ(counts, 1);

    // Later appends get a call of their own.
    const MsgRecord r = Rec(21, "已发送短信", "13800000001");
    sms_.AddLogRecord(&r);
    ASSERT_TRUE(WaitUntil([&] { return counts == 2; }));
    EXPECT_EQ(ids.back(), 21);
}

TEST_F(RecordLogThreads, ARecordLockWaitThatRunsOutIsLoggedAndWaitedForAgain) {
    std::atomic<bool> got{false};
    std::atomic<int> timeouts{0};
    auto holder = std::make_unique<CRecordLock>(CRecordLock::kAppendTimeoutMs);
    ReleaseRecordLockOnce();  // a records page made while the lock is held lets nobody in
    std::thread second([&] {
        CRecordLock lock(20);
        got = true;
        timeouts = lock.timeouts();
    });
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(dir_.file("RunLog.txt")).find("g_lockRecord") != std::string::npos; }));
    EXPECT_FALSE(got.load());
    holder.reset();
    second.join();
    EXPECT_TRUE(got.load());
    EXPECT_GE(timeouts.load(), 1);
}

TEST_F(RecordLogThreads, AnAppendWaitsFiveSecondsForTheLockBeforeItLogsATimeOut) {
    struct ManualClock {
        ManualClock() { eventclock::SetManual(true); }
        ~ManualClock() { eventclock::SetManual(false); }
    } manual;
    const auto lines = [&] {
        const std::string log = ReadFile(dir_.file("RunLog.txt"));
        std::size_t n = 0;
        for (std::size_t at = log.find("g_lockRecord"); at != std::string::npos; at = log.find("g_lockRecord", at + 1))
            ++n;
        return n;
    };
    for (const int waited : {4999, 5001}) {
        SCOPED_TRACE(waited);
        WriteFile(dir_.file("RunLog.txt"), "");
        auto holder = std::make_unique<CRecordLock>(CRecordLock::kAppendTimeoutMs);
        std::thread writer([&] {
            const MsgRecord r = Rec(waited, "已发送短信", "13800000001");
            sms_.AddLogRecord(&r);
        });
        ASSERT_TRUE(WaitUntil([] { return eventclock::TimedWaiters() == 1; }));
        eventclock::Advance(waited);
        // Past the time-out the wait is logged once and taken up again.
        if (waited > 5000) EXPECT_TRUE(WaitUntil([&] { return lines() == 1; }));
        holder.reset();
        writer.join();
        EXPECT_EQ(lines(), waited > 5000 ? 1u : 0u);
    }
    std::vector<MsgRecord> stored;
    ASSERT_TRUE(sms_.ReadRecords(stored));
    EXPECT_EQ(stored.size(), 2u);
}

TEST_F(RecordLogThreads, AppendsReportsAndReadsTogetherKeepEveryRecordOnceAndWhole) {
    constexpr int kThreads = 10, kEach = 150;
    auto whole = [](const MsgRecord& r) {
        return r.nDevice == r.nId && msgrec::GetField(r.szText) == "rec-" + std::to_string(r.nId) &&
               recstatus::IconOf(msgrec::GetField(r.szType)) >= 0;
    };
    std::atomic<bool> appending{true};
    std::atomic<int> torn{0}, shrunk{0}, reads{0}, applied{0}, appended{0};
    // The reader and the reports take a round each time some more records are in: looping
    // without a pause they would crowd the writers out of the record lock.
    auto someMore = [&](int& seen) {
        while (appending && appended.load() < seen + kThreads * 5) std::this_thread::yield();
        seen = appended.load();
    };

    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const int id = t * 1000 + i + 1;
                MsgRecord r = Rec(id, "已发送短信", "1380000" + std::to_string(1000 + t), "rec-" + std::to_string(id));
                r.nDevice = id;
                sms_.AddLogRecord(&r);
                ++appended;
            }
        });
    std::thread reports([&] {
        int t = 0, seen = 0;
        bool last = false;
        while (!last) {
            someMore(seen);
            last = !appending;  // one more round once every record is in
            g_ReportNoticeList.AddTail(SmsNotice("1380000" + std::to_string(1000 + t), "2008-05-01 10:00:05"));
            t = (t + 1) % kThreads;
            sms_.ApplyDeliveryReports();
            ++applied;
        }
    });
    std::thread reader([&] {
        std::size_t before = 0;
        int more = 0;
        while (appending) {
            someMore(more);
            std::size_t seen = 0;
            sms_.ForEachRecord([&](const MsgRecord& r) {
                if (!whole(r)) ++torn;
                ++seen;
            });
            if (seen < before) ++shrunk;  // a rewrite never drops a record
            before = seen;
            ++reads;
        }
    });
    for (std::thread& w : writers) w.join();
    appending = false;
    reports.join();
    reader.join();

    std::vector<MsgRecord> recs;
    ASSERT_TRUE(sms_.ReadRecords(recs));
    std::multiset<int> ids;
    int delivered = 0;
    for (const MsgRecord& r : recs) {
        EXPECT_TRUE(whole(r)) << r.nId;
        ids.insert(r.nId);
        delivered += msgrec::GetField(r.szType) == "已送达短信";
    }
    EXPECT_GE(delivered, 1);
    EXPECT_EQ(recs.size(), std::size_t(kThreads * kEach));
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(paths::FileSize(sms_.FilePath()), kThreads * kEach * 1592);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(shrunk.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(applied.load(), 0);
    EXPECT_EQ(g_bSMSReportsBusy.load(), 0);
}

}  // namespace
