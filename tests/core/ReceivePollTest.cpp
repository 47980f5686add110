// The receive job over the real platform client, the simulator and a real SMS record log: every
// message of a poll reply becomes one "接收短信" record, in order, offered once to the auto-reply
// hook, and the records page hears of them in one go.
#include "SimFixture.h"

#include "core/RecordLog.h"
#include "core/WorkerBindings.h"
#include "core/WorkerEngine.h"
#include "platform/Seams.h"

#include <atomic>
#include <mutex>

namespace {

struct Offered {
    std::string number, text;
};

class ReceivePollTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        ReleaseRecordLockOnce();
        oldServices_ = worker::GetServices();
        worker::GetServices() = worker::DefaultServices();
        g_pSMSRecordLog = &log_;
        oldHook_ = SetIncomingHook([this](const std::string& number, const std::string& text, int type) {
            std::lock_guard<std::mutex> lock(m_);
            if (type == 0) offered_.push_back({number, text});
        });
    }
    void TearDown() override {
        SetIncomingHook(std::move(oldHook_));
        g_pSMSRecordLog = nullptr;
        worker::GetServices() = oldServices_;
        SimFixture::TearDown();
    }
    std::vector<MsgRecord> Records() {
        std::vector<MsgRecord> out;
        log_.ReadRecords(out);
        return out;
    }
    // Runs the UI thread's queue up to everything posted before this call.
    static void DrainUi() {
        std::atomic<bool> done{false};
        seam::PostToUi([&] { done = true; });
        ASSERT_TRUE(testsupport::WaitUntil([&] { return done.load(); }));
    }

    CRecordLog log_{LogKind::Sms};
    worker::Services oldServices_;
    IncomingHook oldHook_;
    std::mutex m_;
    std::vector<Offered> offered_;
};

}  // namespace

TEST_F(ReceivePollTest, TwentyThousandMessagesOfOneReplyBecomeTwentyThousandRecords) {
    constexpr int kCount = 20000;
    auto numberOf = [](int i) { return std::to_string(13800000000LL + i); };
    auto textOf = [](int i) { return "消息" + std::to_string(i); };
    for (int i = 0; i < kCount; ++i) sim.QueueMo("E-1", "user", {numberOf(i), textOf(i), "2026-12-10 10:00:00"});
    std::size_t rows = 0;
    int labels = 0;
    bool inOrder = true;
    log_.SetNotify({[&](const MsgRecord& r, RecordPlace place) {
                        inOrder = inOrder && place.index == static_cast<std::int64_t>(rows) &&
                                  msgrec::GetField(r.szNumber) == numberOf(static_cast<int>(rows));
                        ++rows;
                    },
                    [&] { ++labels; }});

    EXPECT_EQ(ReceiveSms(), 1);
    const std::vector<MsgRecord> recs = Records();
    ASSERT_EQ(recs.size(), std::size_t{kCount});
    ASSERT_EQ(offered_.size(), std::size_t{kCount});
    for (int i = 0; i < kCount; ++i) {
        const MsgRecord& r = recs[static_cast<std::size_t>(i)];
        if (msgrec::GetField(r.szType) != "接收短信" || msgrec::GetField(r.szNumber) != numberOf(i) ||
            msgrec::GetField(r.szText) != textOf(i) || offered_[static_cast<std::size_t>(i)].number != numberOf(i) ||
            offered_[static_cast<std::size_t>(i)].text != textOf(i) || (i > 0 && r.nId != recs[i - 1].nId + 3))
            FAIL() << "record " << i << ": " << msgrec::GetField(r.szNumber) << " " << msgrec::GetField(r.szText);
    }
    // The page hears of all of them through one queued call: the rows in order, one count.
    DrainUi();
    EXPECT_EQ(rows, std::size_t{kCount});
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(labels, 1);

    // The same reply again would be nothing new; the platform has nothing more anyway.
    EXPECT_EQ(ReceiveSms(), 1);
    EXPECT_EQ(Records().size(), std::size_t{kCount});
}

TEST_F(ReceivePollTest, ANulInsideATextIsKeptAndTheNextMessageFollows) {
    sim.QueueMo("E-1", "user", {"13800000001", std::string("前\0后\x01", 8), "2026-12-10 10:00:00"});
    sim.QueueMo("E-1", "user", {"13800000002", "下一条", "2026-12-10 10:00:01"});
    EXPECT_EQ(ReceiveSms(), 1);
    const std::vector<MsgRecord> recs = Records();
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(msgrec::GetField(recs[0].szText), "前?后\x01");
    EXPECT_EQ(msgrec::GetField(recs[0].szTime), "2026-12-10 10:00:00");
    EXPECT_EQ(msgrec::GetField(recs[0].szSubmitTime), "2026-12-10 10:00:00");
    EXPECT_EQ(msgrec::GetField(recs[1].szNumber), "13800000002");
    EXPECT_EQ(msgrec::GetField(recs[1].szText), "下一条");
    ASSERT_EQ(offered_.size(), 2u);
    EXPECT_EQ(offered_[0].text, "前?后\x01");
}

TEST_F(ReceivePollTest, ASenderWiderThanTheFieldIsStoredCutAndHandedOnWhole) {
    const std::string wide(40, '1');
    sim.QueueMo("E-1", "user", {wide, "查询", "2026-12-10 10:00:00"});
    EXPECT_EQ(ReceiveSms(), 1);
    const std::vector<MsgRecord> recs = Records();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(msgrec::GetField(recs[0].szNumber), std::string(19, '1'));
    ASSERT_EQ(offered_.size(), 1u);
    EXPECT_EQ(offered_[0].number, wide);  // so the engine can tell it is not the record's number
}
