// The road of one MMS: a package in "MMSSink" goes up to a real FTP server whose root the
// simulator serves as its file mount, is queued on the MMS pending page for three numbers, and
// the MMS sending threads take it to the simulator and to records in "MMSMsgSL.dat".
#include "compose/MMSPackage.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/MmsUpload.h"
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

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kNumbers = {"13800000001", "13800000002", "13800000003"};

struct MmsRoad {
    testsupport::TempAppDir dir;
    testsupport::FtpServerFixture ftp{-1, dir.file("ftproot")};
    platformsim::PlatformSim sim;
    CRecordLog mmsLog{LogKind::Mms};
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    std::unique_ptr<CSendingListDlg> queue;
    const std::string picture = std::string("GIF89a\r\n\x00\xff\r", 11);

    MmsRoad() {
        http::GlobalInit();
        EXPECT_TRUE(ftp.ok()) << ftp.Stderr();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({.ecode = "E01", .user = "user", .password = "pw"});
        testsupport::LoginAtLocalPeers(sim, ftp);
        platformclient::ResetPollState();
        g_pMMSRecordLog = &mmsLog;
        ReleaseRecordLockOnce();
        g_bStopThreads = 0;
        queue = std::make_unique<CSendingListDlg>();
        g_pSendingListDlg = queue.get();
        queue->List(2).Clear();
        queue->List(3).Clear();
    }
    ~MmsRoad() {
        worker::StopMsgThreads(70000);
        worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
        g_bStopThreads = 0;
        g_pSendingListDlg = nullptr;
        queue.reset();
        g_pMMSRecordLog = nullptr;
        ftp::SetTimeouts({});
        sim.Stop();
    }
    // "MMSSink\road.qmx": frame 0 text and picture, frame 1 sound.
    std::string MakePackage() {
        CMMSPackage maker;
        maker.m_strWorkFolder = dir.file("make");
        fs::create_directories(maker.m_strWorkFolder);
        maker.New();
        maker.SetText(0, "彩信正文", 0);
        testsupport::WriteFile(dir.file("p.gif"), picture);
        maker.SetImage(0, dir.file("p.gif"), 0);
        testsupport::WriteFile(dir.file("s.amr"), "#!AMR\n");
        maker.SetSound(1, dir.file("s.amr"));
        fs::create_directories(dir.file("MMSSink"));
        const std::string path = dir.file("MMSSink/road.qmx");
        EXPECT_EQ(maker.Save(path, 0), 1);
        return path;
    }
    // Uploads the package and queues it for the three numbers; the uploaded-name list.
    std::string UploadAndQueue() {
        const std::string path = MakePackage();
        CMMSPackage pkg;
        pkg.m_strWorkFolder = dir.file("DBTemp");
        fs::create_directories(pkg.m_strWorkFolder);
        pkg.New();
        const std::string files = UploadPackageFiles(pkg, path, mmsupload::TakeUploadSerial());
        int id = 500;
        for (const std::string& n : kNumbers) queue->AddMMSItem(id++, n, files, "路上的彩信", "road", "", 0);
        return files;
    }
    std::vector<MsgRecord> Records(const std::string& type) {
        std::vector<MsgRecord> all, out;
        mmsLog.ReadRecords(all);
        for (const MsgRecord& r : all)
            if (msgrec::GetField(r.szType) == type) out.push_back(r);
        return out;
    }
};

}  // namespace

TEST(MmsRoadThreads, PackageUploadedQueuedSentAndRecorded) {
    MmsRoad road;
    ASSERT_TRUE(road.ftp.ok());
    const std::string files = road.UploadAndQueue();
    ASSERT_FALSE(files.empty()) << (road.messages.empty() ? "" : road.messages.back());
    const std::size_t packageSize = fs::file_size(road.dir.file("MMSSink/road.qmx"));
    worker::SetPassSleepsForTest(1, 2);
    StartMsgThreads(0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.Records("已发送彩信").size() == 3; }, 30000));

    const auto sent = road.sim.SentMmsList();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].receivers, kNumbers);
    EXPECT_EQ(sent[0].subject, "路上的彩信");
    EXPECT_EQ(sent[0].sender, "13500000000");
    // Each address returns the bytes of its frame file: text, picture, sound.
    const std::vector<std::string> bytes = {codec::ToGbk("彩信正文"), road.picture, "#!AMR\n"};
    ASSERT_EQ(sent[0].fileUrls.size(), bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        http::Request req;
        req.url = sent[0].fileUrls[i];
        const http::Result got = http::Get(req);
        EXPECT_EQ(got.status, 200) << req.url;
        EXPECT_EQ(got.body, bytes[i]) << req.url;
    }

    const auto records = road.Records("已发送彩信");
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(msgrec::GetField(records[i].szNumber), kNumbers[i]);
        EXPECT_EQ(msgrec::GetField(records[i].szFiles), files);
        EXPECT_EQ(msgrec::GetField(records[i].szText), "路上的彩信");
        EXPECT_EQ(msgrec::GetField(records[i].szPackage), "road");
        EXPECT_EQ(msgrec::GetField(records[i].szSize), std::to_string(packageSize / 1000 + 1) + "K");
        EXPECT_GE(records[i].nDevice, 10);
        EXPECT_LE(records[i].nDevice, 19);
    }
    EXPECT_TRUE(road.messages.empty());
}

TEST(MmsRoadThreads, RefusedSendGivesFailedRecords) {
    MmsRoad road;
    ASSERT_TRUE(road.ftp.ok());
    road.sim.SetMmsSendCode(402);
    ASSERT_FALSE(road.UploadAndQueue().empty());
    worker::SetPassSleepsForTest(1, 2);
    StartMsgThreads(0);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return road.Records("发送失败彩信").size() == 3; }, 30000));
    EXPECT_TRUE(road.Records("已发送彩信").empty());
    // The rows leave the queue after their records are logged, and are not queued again.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return road.queue->ImmediateList().Count() == 0; }));
}
