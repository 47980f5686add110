// The send-MMS page end to end: a photo chosen through the open dialog, two numbers, the send
// clicked; the picture goes up to a real FTP server whose root the simulator serves, the MMS
// sending threads take the queued rows to the simulator and log two "已发送彩信" records.
#include "compose/RecipientList.h"
#include "compose/SendMMSDlg.h"
#include "core/Globals.h"
#include "core/MsgRecord.h"
#include "core/PageGlobals.h"
#include "core/PlatformClient.h"
#include "core/RecordLog.h"
#include "core/SendingListDlg.h"
#include "core/WorkerEngine.h"
#include "platform/FtpClient.h"
#include "platform/HttpClient.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/FtpFixture.h"
#include "support/PeerLogin.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTest>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

TEST(SendMmsPageThreads, PhotoUploadedQueuedSentAndLogged) {
    testsupport::TempAppDir dir;
    testsupport::FtpServerFixture ftp{-1, dir.file("ftproot")};
    ASSERT_TRUE(ftp.ok()) << ftp.Stderr();
    platformsim::PlatformSim sim;
    http::GlobalInit();
    ASSERT_TRUE(sim.Start());
    sim.AddAccount({.ecode = "E01", .user = "user", .password = "pw", .mmsPassword = {}});
    testsupport::LoginAtLocalPeers(sim, ftp);
    platformclient::ResetPollState();
    CRecordLog mmsLog{LogKind::Mms};
    g_pMMSRecordLog = &mmsLog;
    ReleaseRecordLockOnce();
    g_bStopThreads = 0;
    std::strcpy(g_SysInfo.szNumberPrefix, "86");
    fs::create_directories(dir.file("MMSSink/文件彩信"));

    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    const std::string picture = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 13);
    testsupport::WriteFile(dir.file("photo.gif"), picture);
    seam::ScopedFileDialog files{[&](const seam::FileDialogRequest&) { return dir.file("photo.gif"); }};
    {
        CSendingListDlg queue;
        g_pSendingListDlg = &queue;
        queue.List(2).Clear();
        queue.List(3).Clear();
        CSendMMSDlg page;
        page.show();
        QTest::mouseClick(page.m_radios[4], Qt::LeftButton);
        QTest::mouseClick(page.m_btnChoose, Qt::LeftButton);
        page.m_editTitle->setText(codec::ToQ("相片彩信"));
        page.Recipients()->AddEntries({"13800000001", "13800000002"});
        QTest::mouseClick(page.m_btnSendNow, Qt::LeftButton);
        EXPECT_EQ(messages, std::vector<std::string>{"已将彩信加入待发列表等待发送！"});
        ASSERT_EQ(queue.ImmediateList().Count(), 2u);

        worker::SetPassSleepsForTest(1, 2);
        StartMsgThreads(0);
        auto sentRecords = [&] {
            std::vector<MsgRecord> all, out;
            mmsLog.ReadRecords(all);
            for (const MsgRecord& r : all)
                if (msgrec::GetField(r.szType) == "已发送彩信") out.push_back(r);
            return out;
        };
        ASSERT_TRUE(testsupport::WaitUntil([&] { return sentRecords().size() == 2; }, 30000));
        worker::StopMsgThreads(70000);
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);

        const auto sent = sim.SentMmsList();
        ASSERT_FALSE(sent.empty());
        std::vector<std::string> receivers;
        for (const auto& s : sent) {
            receivers.insert(receivers.end(), s.receivers.begin(), s.receivers.end());
            EXPECT_EQ(s.subject, "相片彩信");
            ASSERT_EQ(s.fileUrls.size(), 1u);
            http::Request req;
            req.url = s.fileUrls[0];
            const http::Result got = http::Get(req);
            EXPECT_EQ(got.status, 200) << req.url;
            EXPECT_EQ(got.body, picture);
        }
        EXPECT_EQ(receivers, (std::vector<std::string>{"8613800000001", "8613800000002"}));
        g_pSendingListDlg = nullptr;
    }
    g_bStopThreads = 0;
    g_pMMSRecordLog = nullptr;
    std::memset(g_SysInfo.szNumberPrefix, 0, sizeof g_SysInfo.szNumberPrefix);
    ftp::SetTimeouts({});
    sim.Stop();
}
