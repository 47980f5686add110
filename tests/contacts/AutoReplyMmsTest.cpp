// MMS answers: the library package goes up to a real FTP server under the reserved serial's
// prefix and is queued on the MMS pending page; the simulator answers the balance request.
#include "contacts/AutoReplyFixture.h"
#include "contacts/AutoReplyMmsFixture.h"
#include "core/PendingQueues.h"
#include "core/ScheduledStore.h"

#include <map>

using autoreplytest::LogLine;
using autoreplytest::MmsPages;
using autoreplytest::ReadLog;

namespace {
constexpr const char* kMobile = "13800138000";

std::vector<std::string> Column(const rows::RowStore& s, int col) {
    std::vector<std::string> out;
    for (const auto& r : s.Snapshot()) out.push_back(r.cells[static_cast<std::size_t>(col)]);
    return out;
}

std::vector<LogLine> Log() {
    std::vector<LogLine> out;
    for (const AutoReplyLogRecord& r : ReadLog()) out.push_back(LogLine::Of(r));
    return out;
}
}  // namespace

TEST(AutoReplyMms, PackageUploadedUnderItsSerialAndQueued) {
    MmsPages p;
    ASSERT_TRUE(p.ftp.ok());
    p.MakePackage();
    clk::SetFixed(2026, 12, 10, 8, 30, 5);
    CAutoReply& e = p.page->Engine();
    e.KeywordList().Append({"彩信", "彩信文件：G\\N"});
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "彩信", 0), 1);
    // The list mode's row: its text is the title.
    e.Set(autoreply::kReplyMode, 1);
    e.AddCyclicItem("标题", g_strAppPath + "\\MMSSink\\G\\N.qmx");
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "任何", 1), 1);
    clk::Reset();

    EXPECT_EQ(g_nSerialNo, 42);  // one number per upload, taken before it
    const std::string first = "401210083005-00.txt#401210083005-01.amr#";
    const std::string second = "411210083005-00.txt#411210083005-01.amr#";
    EXPECT_EQ(p.MmsRows(), (std::vector<std::vector<std::string>>{{kMobile, first, "自动回复", "G\\N"},
                                                                  {kMobile, second, "标题", "G\\N"}}));
    EXPECT_EQ(p.ftp.ReadRemote("401210083005-00.txt"), codec::ToGbk("彩信正文"));
    EXPECT_EQ(p.ftp.ReadRemote("411210083005-01.amr"), "#!AMR\n");
    EXPECT_EQ(Log(), (std::vector<LogLine>{{"已回复", "彩信文件：G\\N"}, {"已回复", "标题 彩信文件：G\\N"}}));
    EXPECT_TRUE(p.messages.empty());
}

TEST(AutoReplyMms, MissingPackageOrFailedUploadIsLoggedAndNothingQueued) {
    MmsPages p;
    p.page->Engine().KeywordList().Append({"彩信", "彩信文件：G\\不存在"});
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "彩信", 0), 1);
    EXPECT_TRUE(p.MmsRows().empty());
    EXPECT_EQ(Log(), (std::vector<LogLine>{{"已回复", "彩信文件：G\\不存在"},
                                           {"未回复", "<彩信上传失败，无信息回复>"}}));

    // The FTP server is gone, then it refuses the user: each upload fails and leaves the serial
    // number as it was; the next upload that goes up takes that number.
    p.MakePackage();
    p.page->Engine().KeywordList().Append({"上传", "彩信文件：G\\N"});
    const LoginInfo good = GetLoginInfo();
    LoginInfo info = good;
    info.nFtpPort = 1;
    SetLoginInfo(info);
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "上传", 0), 1);
    EXPECT_TRUE(p.MmsRows().empty());
    EXPECT_EQ(g_nSerialNo, 40);
    EXPECT_EQ(Log().back(), (LogLine{"未回复", "<彩信上传失败，无信息回复>"}));
    info = good;
    info.strFtpUser = testsupport::FtpServerFixture::kReader;
    info.strFtpPassword = testsupport::FtpServerFixture::kReaderPassword;
    SetLoginInfo(info);
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "上传", 0), 1);
    EXPECT_TRUE(p.MmsRows().empty());
    EXPECT_EQ(g_nSerialNo, 40);
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        std::lock_guard<std::mutex> lock(p.m);
        return p.messages.size() >= 2;
    }));
    {
        std::lock_guard<std::mutex> lock(p.m);
        EXPECT_EQ(p.messages, (std::vector<std::string>{"提交彩信文件时，连接服务器失败。", "提交彩信文件时，打开目标文件失败。"}));
    }
    SetLoginInfo(good);
    clk::SetFixed(2026, 12, 10, 8, 30, 5);
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "上传", 0), 1);
    clk::Reset();
    ASSERT_EQ(p.MmsRows().size(), 1u);
    EXPECT_EQ(p.MmsRows()[0][1], "401210083005-00.txt#401210083005-01.amr#");
    EXPECT_EQ(g_nSerialNo, 41);
    LoadSerialNo();  // "流水号" as saved
    EXPECT_EQ(g_nSerialNo, 41);
}

TEST(AutoReplyMms, NoMmsBalanceIsAskedOnceThenRefused) {
    MmsPages p(0);
    p.MakePackage();
    g_nMmsBalance = 0;
    p.page->Engine().KeywordList().Append({"彩信", "彩信文件：G\\N"});
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "彩信", 0), 0);
    EXPECT_EQ(p.sim.RequestCount("/Account"), 1u);
    EXPECT_TRUE(p.MmsRows().empty());
    EXPECT_EQ(g_nSerialNo, 40);
    EXPECT_EQ(Log(), (std::vector<LogLine>{{"已回复", "彩信文件：G\\N"}, {"查询限制", "<彩信条数不足>"}}));
}

// The "已回复" record of an answer follows the answer into the queue: inside the queue writer,
// once the reply is journalled, the log holds no record of it, and a kill at that moment leaves
// the reply queued without its record, never a record without its reply.
TEST(AutoReplyMms, TheRepliedRecordIsWrittenOnlyAfterItsReplyIsQueued) {
    MmsPages p;
    p.MakePackage();
    CAutoReply& e = p.page->Engine();
    e.KeywordList().Append({"彩信", "彩信文件：G\\N"});
    e.KeywordList().Append({"短信", "短信回复"});
    struct AtWriter {
        std::vector<LogLine> log;
        std::map<std::string, std::string> files;  // what a kill here would leave
    };
    std::vector<AtWriter> seen;
    const auto atWriter = [&] {
        AtWriter w{Log(), {}};
        for (const char* f : {"RL.dat", "SMSMsgWS.dat.jnl", "MsgWS.dat.jnl"})
            if (paths::FileExists(p.dir.file(f))) w.files[f] = testsupport::ReadFile(p.dir.file(f));
        seen.push_back(std::move(w));
    };
    p.smsPage->Queues().SetCountChangedHandler(atWriter);
    p.mmsPage->Queues().SetCountChangedHandler(atWriter);

    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "短信", 0), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].log, std::vector<LogLine>{});
    EXPECT_EQ(Log(), (std::vector<LogLine>{{"已回复", "短信回复"}}));
    EXPECT_EQ(p.page->ProcessIncoming(kMobile, "彩信", 1), 1);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].log, (std::vector<LogLine>{{"已回复", "短信回复"}}));
    EXPECT_EQ(Log(), (std::vector<LogLine>{{"已回复", "短信回复"}, {"已回复", "彩信文件：G\\N"}}));
    p.smsPage->Queues().SetCountChangedHandler(nullptr);
    p.mmsPage->Queues().SetCountChangedHandler(nullptr);

    // Killed inside each writer: the next start finds the reply queued, and no record of it.
    for (std::size_t k = 0; k < seen.size(); ++k) {
        SCOPED_TRACE(k);
        testsupport::TempAppDir killed;
        for (const auto& [name, bytes] : seen[k].files) testsupport::WriteFile(killed.file(name), bytes);
        ScheduledStore timed("MsgTS.dat", false), cyclic("MsgCS.dat", true);
        PendingQueues sms(queue::Kind::Sms, timed, cyclic), mms(queue::Kind::Mms, timed, cyclic);
        mms.LoadQueues();
        sms.LoadQueues();
        EXPECT_EQ(Column(sms.Immediate(), queue::kColText), std::vector<std::string>{"短信回复"});
        EXPECT_EQ(Column(mms.Immediate(), queue::kColPackage),
                  k == 0 ? std::vector<std::string>{} : std::vector<std::string>{"G\\N"});
        EXPECT_EQ(Log(), (k == 0 ? std::vector<LogLine>{} : std::vector<LogLine>{{"已回复", "短信回复"}}));
    }
}
