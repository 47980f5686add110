#include "compose/MMSPackage.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/MmsUpload.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/FtpFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

using testsupport::FtpServerFixture;
using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

constexpr const char* kConnect = "提交彩信文件时，连接服务器失败。";
constexpr const char* kOpen = "提交彩信文件时，打开目标文件失败。";
constexpr const char* kWrite = "提交彩信文件时，写入目标文件失败。";

// Points the FTP settings at a port and records every message shown.
class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldBox = seam::SetMessageBox([this](const std::string& text, int) {
            std::lock_guard<std::mutex> lock(m);
            messages.push_back(text);
            return 1;
        });
        ftp::SetTimeouts({5000, 5000, 5000});
        work = app.file("DBTemp");
        fs::create_directories(work);
        pkg.m_strWorkFolder = work;
        pkg.New();
    }
    void TearDown() override {
        seam::SetMessageBox(oldBox);
        ftp::SetTimeouts({});
        clk::Reset();
    }
    void UseServer(int port, const char* user = FtpServerFixture::kWriter,
                   const char* password = FtpServerFixture::kWriterPassword) {
        LoginInfo info = GetLoginInfo();
        info.strFtpServer = "127.0.0.1";
        info.nFtpPort = port;
        info.strFtpUser = user;
        info.strFtpPassword = password;
        SetLoginInfo(info);
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(m);
        return messages;
    }
    // A package file of frame 0 text and picture, frame 1 sound.
    std::string MakePackage(const std::string& picture = std::string("GIF89a\r\n\r\x00\xff", 12)) {
        CMMSPackage maker;
        maker.m_strWorkFolder = app.file("make");
        fs::create_directories(maker.m_strWorkFolder);
        maker.New();
        maker.SetText(0, "正文", 0);
        WriteFile(app.file("p.gif"), picture);
        maker.SetImage(0, app.file("p.gif"), 0);
        WriteFile(app.file("s.amr"), "#!AMR\n");
        maker.SetSound(1, app.file("s.amr"));
        const std::string path = app.file("MMSSink/pkg.qmx");
        fs::create_directories(app.file("MMSSink"));
        EXPECT_EQ(maker.Save(path, 0), 1);
        return path;
    }
    static int FreePort() {
        FtpServerFixture probe;  // started and stopped: its port is free again
        return probe.port();
    }

    TempAppDir app;
    std::string work;
    CMMSPackage pkg;
    seam::MessageBoxFn oldBox;
    std::mutex m;
    std::vector<std::string> messages;
};

TEST_F(UploadTest, PackageGoesUpInFrameOrderUnderThePrefix) {
    FtpServerFixture server;
    ASSERT_TRUE(server.ok()) << server.Stderr();
    UseServer(server.port());
    const std::string path = MakePackage();
    clk::SetFixed(2026, 11, 6, 14, 3, 9);
    const std::string list = UploadPackageFiles(pkg, path, 57);
    EXPECT_EQ(list, "571106140309-00.txt#571106140309-00.gif#571106140309-01.amr#");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(server.ReadRemote("571106140309-00.txt"), codec::ToGbk("正文"));
    EXPECT_EQ(server.ReadRemote("571106140309-00.gif"), std::string("GIF89a\r\n\r\x00\xff", 12));
    EXPECT_EQ(server.ReadRemote("571106140309-01.amr"), "#!AMR\n");
    // The package is reset afterwards.
    EXPECT_STREQ(pkg.Frame(0).szText, "");
    EXPECT_TRUE(fs::is_empty(work));
}

TEST_F(UploadTest, BytesArriveUnchanged) {
    FtpServerFixture server;
    ASSERT_TRUE(server.ok());
    UseServer(server.port());
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    const std::vector<std::string> data = {"a\r\nb\r\n", "lone\rcr\r", all + all, ""};
    std::vector<std::string> remote, local;
    for (std::size_t i = 0; i < data.size(); ++i) {
        local.push_back(app.file("f" + std::to_string(i)));
        WriteFile(local.back(), data[i]);
        remote.push_back("r" + std::to_string(i) + ".bin");
    }
    ASSERT_EQ(FtpUpload(remote, local), 1);
    for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(server.ReadRemote(remote[i]), data[i]) << i;
}

TEST_F(UploadTest, FailuresShowTheirMessageOnceAndGiveNoList) {
    const std::string path = MakePackage();
    struct Case {
        const char* what;
        long dropAfter;  // -2: no server
        bool readOnly;
        const char* message;
    };
    const Case cases[] = {{"server down", -2, false, kConnect},
                          {"read-only user", -1, true, kOpen},
                          {"dropped data connection", 0, false, kWrite}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        std::unique_ptr<FtpServerFixture> server;
        if (c.dropAfter == -2) {
            UseServer(FreePort());
        } else {
            server = std::make_unique<FtpServerFixture>(c.dropAfter);
            ASSERT_TRUE(server->ok());
            if (c.readOnly) UseServer(server->port(), FtpServerFixture::kReader, FtpServerFixture::kReaderPassword);
            else UseServer(server->port());
        }
        EXPECT_EQ(UploadPackageFiles(pkg, path, 1), "");
        EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
        EXPECT_STREQ(pkg.Frame(0).szText, "");
    }
    // A wrong password is a failed login.
    FtpServerFixture server;
    UseServer(server.port(), FtpServerFixture::kWriter, "wrong");
    messages.clear();
    EXPECT_EQ(UploadPackageFiles(pkg, path, 1), "");
    EXPECT_EQ(Messages(), std::vector<std::string>{kConnect});
}

TEST_F(UploadTest, MissingFilesOversizeFilesAndLongLists) {
    const std::vector<std::string> none = {app.file("no1"), app.file("no2")};
    {
        // Every file missing: done when the server is up, the connect message when it is down.
        FtpServerFixture server;
        UseServer(server.port());
        EXPECT_EQ(FtpUpload({"a", "b"}, none), 1);
        EXPECT_TRUE(Messages().empty());
        // 100001 bytes fail the upload before any file goes up.
        WriteFile(app.file("small"), "s");
        WriteFile(app.file("big"), std::string(100001, 'b'));
        EXPECT_EQ(FtpUpload({"small", "big"}, {app.file("small"), app.file("big")}), 0);
        EXPECT_EQ(Messages(), std::vector<std::string>{kWrite});
        EXPECT_FALSE(server.HasRemote("small"));
        WriteFile(app.file("edge"), std::string(100000, 'e'));
        EXPECT_EQ(FtpUpload({"edge"}, {app.file("edge")}), 1);
        EXPECT_EQ(server.ReadRemote("edge").size(), 100000u);

        // A list that will not fit a queue row uploads nothing.
        messages.clear();
        CMMSPackage maker;
        maker.m_strWorkFolder = app.file("long");
        fs::create_directories(maker.m_strWorkFolder);
        maker.New();
        for (int f = 0; f < 20; ++f) maker.SetText(f, "t", 0);
        const std::string longPath = app.file("long.qmx");
        ASSERT_EQ(maker.Save(longPath, 0), 1);
        EXPECT_EQ(UploadPackageFiles(pkg, longPath, 123456789), "");
        EXPECT_EQ(std::distance(fs::directory_iterator(server.root()), fs::directory_iterator()), 1);  // "edge"
        EXPECT_NE(ReadFile(app.file("RunLog.txt")).find("long.qmx"), std::string::npos);
        EXPECT_TRUE(Messages().empty());
    }
    UseServer(FreePort());
    EXPECT_EQ(FtpUpload({"a", "b"}, none), 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{kConnect});
}

TEST_F(UploadTest, SeparatorsInForeignNamesBecomeUnderscores) {
    fs::create_directories(app.file("MMSSink"));
    CMMSPackage maker;
    maker.m_strWorkFolder = app.file("make");
    fs::create_directories(maker.m_strWorkFolder);
    maker.New();
    std::strcpy(maker.Frame(0).szText, "a#b|c.txt");
    WriteFile(app.file("make/a#b|c.txt"), "foreign");
    ASSERT_EQ(maker.Save(app.file("f.qmx"), 0), 1);
    FtpServerFixture server;
    UseServer(server.port());
    clk::SetFixed(2026, 1, 2, 3, 4, 5);
    EXPECT_EQ(UploadPackageFiles(pkg, app.file("f.qmx"), 9), "90102030405-a_b_c.txt#");
    EXPECT_EQ(server.ReadRemote("90102030405-a_b_c.txt"), "foreign");
}

TEST_F(UploadTest, SerialStaysUsedOnlyByUploadsThatWentUp) {
    FtpServerFixture server;
    ASSERT_TRUE(server.ok());
    const std::string path = MakePackage();
    clk::SetFixed(2026, 11, 6, 14, 3, 9);
    g_nSerialNo = 57;
    // Five good and two refused uploads: the good ones take 57 to 61.
    const bool good[] = {true, false, true, true, false, true, true};
    std::vector<std::string> lists;
    for (bool ok : good) {
        if (ok) UseServer(server.port());
        else UseServer(server.port(), FtpServerFixture::kReader, FtpServerFixture::kReaderPassword);
        const std::string list =
            mmsupload::UploadUnderSerial([&](int serial) { return UploadPackageFiles(pkg, path, serial); });
        EXPECT_EQ(list.empty(), !ok);
        if (ok) lists.push_back(list.substr(0, list.find('-')));
    }
    EXPECT_EQ(lists, (std::vector<std::string>{"571106140309", "581106140309", "591106140309", "601106140309",
                                               "611106140309"}));
    EXPECT_EQ(Messages(), std::vector<std::string>(2, kOpen));
    EXPECT_EQ(g_nSerialNo.load(), 62);
    LoadSerialNo();  // "流水号" as saved
    EXPECT_EQ(g_nSerialNo.load(), 62);

    // A number taken by someone else during a failed upload stays taken, and so does the gap.
    const std::string none = mmsupload::UploadUnderSerial([](int serial) {
        EXPECT_EQ(serial, 62);
        ++g_nSerialNo;  // a text message sent meanwhile
        SaveSerialNo();
        return std::string();
    });
    EXPECT_EQ(none, "");
    EXPECT_EQ(g_nSerialNo.load(), 64);
    const int a = mmsupload::TakeUploadSerial(), b = mmsupload::TakeUploadSerial();
    mmsupload::ReturnUploadSerial(a);
    EXPECT_EQ(g_nSerialNo.load(), 66);
    mmsupload::ReturnUploadSerial(b);
    EXPECT_EQ(g_nSerialNo.load(), 65);
    LoadSerialNo();
    EXPECT_EQ(g_nSerialNo.load(), 65);
}

TEST(UploadSerialThreads, ReservedSerialsAreDistinct) {
    TempAppDir app;
    g_nSerialNo = 100;
    std::mutex m;
    std::set<std::string> prefixes;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                const std::string p = mmsupload::UploadPrefix(mmsupload::TakeUploadSerial());
                std::lock_guard<std::mutex> lock(m);
                prefixes.insert(p);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(prefixes.size(), 100u);
    EXPECT_EQ(g_nSerialNo.load(), 200);
    LoadSerialNo();
    EXPECT_EQ(g_nSerialNo.load(), 200);
}

}  // namespace
