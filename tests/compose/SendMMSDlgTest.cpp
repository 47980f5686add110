// The send-MMS page: the file loaders over the kinds, the slides, and the send commit against a
// real FTP server, the in-process platform simulator and the MMS pending page's queues.
#include "compose/MMSPackage.h"
#include "compose/MmsSend.h"
#include "compose/RecipientList.h"
#include "compose/SendMMSDlg.h"
#include "compose/TimedSendDlg.h"
#include "compose/VoiceRecordDlg.h"
#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/LoginSettings.h"
#include "core/PageGlobals.h"
#include "core/PlatformClient.h"
#include "core/QueueRow.h"
#include "core/SendingListDlg.h"
#include "platform/Clock.h"
#include "platform/FtpClient.h"
#include "platform/HttpClient.h"
#include "platform/Seams.h"
#include "platform/SoundPlayer.h"
#include "platform/WaveDevice.h"
#include "platform/TextCodec.h"
#include "support/FtpFixture.h"
#include "support/PeerLogin.h"
#include "support/SoundFixture.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"
#include "uikit/SkinDialog.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QTimeEdit>
#include <QTimer>

#include <cstring>
#include <filesystem>

using codec::FromQ;
using codec::ToQ;
using testsupport::ReadFile;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

const std::string kGif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 13);

// The page with its message boxes, its open dialog answered by `chosen`, and the MMS queues.
struct PageFixture {
    testsupport::TempAppDir dir;
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    seam::ScopedStandardBox stdBox{[this](const std::string& t) { messages.push_back(t); }};
    std::optional<std::string> chosen;
    std::vector<seam::FileDialogRequest> asked;
    seam::ScopedFileDialog files{[this](const seam::FileDialogRequest& r) {
        asked.push_back(r);
        return chosen;
    }};
    std::unique_ptr<CSendingListDlg> queue;
    std::unique_ptr<CSendMMSDlg> page;

    explicit PageFixture(const std::string& params = {}) {
        g_nMMSImageWidth = 140;
        g_nMMSImageHeight = 200;
        if (!params.empty()) WriteFile(dir.file("MMSParam.dat"), params);
        std::memset(g_SysInfo.szNumberPrefix, 0, sizeof g_SysInfo.szNumberPrefix);
        fs::create_directories(dir.file("MMSSink/文件彩信"));
        queue = std::make_unique<CSendingListDlg>();
        g_pSendingListDlg = queue.get();
        queue->List(2).Clear();
        queue->List(3).Clear();
        page = std::make_unique<CSendMMSDlg>();
    }
    ~PageFixture() {
        page.reset();
        g_pSendingListDlg = nullptr;
        queue.reset();
        std::memset(g_SysInfo.szNumberPrefix, 0, sizeof g_SysInfo.szNumberPrefix);
        clk::Reset();
    }
    std::string Label(int id) { return FromQ(page->findChild<QLabel*>(QString::number(id))->text()); }
    std::string File(const std::string& name, const std::string& bytes) {
        WriteFile(dir.file(name), bytes);
        return dir.file(name);
    }
    std::vector<rows::RowData> Rows(int list) { return queue->List(list).Snapshot(); }
};

// The page logged in at a real FTP server and the simulator.
struct SendFixture : PageFixture {
    testsupport::FtpServerFixture ftp{-1, dir.file("ftproot")};
    platformsim::PlatformSim sim;
    explicit SendFixture(int mmsBalance = 1000) {
        http::GlobalInit();
        EXPECT_TRUE(ftp.ok()) << ftp.Stderr();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({.ecode = "E01", .user = "user", .password = "pw", .mmsPassword = {}, .mmsBalance = mmsBalance});
        testsupport::LoginAtLocalPeers(sim, ftp);
        platformclient::ResetPollState();
        clk::SetFixed(2026, 3, 4, 5, 6, 7);
    }
    ~SendFixture() {
        ftp::SetTimeouts({});
        sim.Stop();
    }
    // A photo loaded as content, a title and the entries.
    void Ready(const std::string& title, const std::vector<std::string>& entries) {
        page->LoadContent(mmssend::kPhoto, File("pic.gif", kGif));
        page->m_editTitle->setText(ToQ(title));
        page->Recipients()->AddEntries(entries);
        messages.clear();
    }
    // The first id the next send reserves.
    int NextFirstId() { return CFileUtil::GetNextSerial(0) + 2; }
    int FtpFileCount() {
        int n = 0;
        for (const auto& e : fs::directory_iterator(ftp.root())) n += e.is_regular_file();
        return n;
    }
};

// A package of frame texts (and a sound in each frame when given) at a path of the program folder.
std::string SavePackage(const testsupport::TempAppDir& dir, const std::string& rel, const std::vector<std::string>& texts,
                        const std::string& sound = {}) {
    CMMSPackage maker;
    maker.m_strWorkFolder = dir.file("make");
    fs::create_directories(maker.m_strWorkFolder);
    maker.New();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        maker.SetText(static_cast<int>(i), texts[i], 0);
        if (!sound.empty()) maker.SetSound(static_cast<int>(i), sound);
    }
    const std::string path = dir.file(rel);
    fs::create_directories(fs::path(path).parent_path());
    EXPECT_EQ(maker.Save(path, 0), 1);
    return path;
}

// The timed dialog answered with 2030-03-04 07:08:09.
int TimedAt2030(CSkinDialog& d) {
    auto& t = static_cast<CTimedSendDlg&>(d);
    t.m_dateSend->setDate(QDate(2030, 3, 4));
    t.m_timeSend->setTime(QTime(7, 8, 9));
    t.OnOK();
    return t.result();
}

std::string Vlq(unsigned v) {
    std::string out(1, static_cast<char>(v & 0x7F));
    while (v >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    return out;
}

// A format-0 MIDI file of 30.5 s: 20 quarters at 0.5 s, then 20.5 quarters at 1 s.
std::string Midi305() {
    std::string track = Vlq(0) + std::string("\xFF\x51\x03\x07\xA1\x20", 6) + Vlq(9600) +
                        std::string("\xFF\x51\x03\x0F\x42\x40", 6) + Vlq(9840) + std::string("\xFF\x2F\x00", 3);
    std::string f = std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14) + "MTrk";
    const auto n = static_cast<unsigned>(track.size());
    f += static_cast<char>(n >> 24);
    f += static_cast<char>(n >> 16);
    f += static_cast<char>(n >> 8);
    f += static_cast<char>(n);
    return f + track;
}

std::string Int32s(std::initializer_list<std::int32_t> v) {
    std::string out;
    for (std::int32_t x : v) out.append(reinterpret_cast<const char*>(&x), 4);
    return out;
}

}  // namespace

TEST(SendMMSDlg, LoadersOverTheKinds) {
    struct Case {
        int kind;
        std::string ext, pkgFile, secondsLabel;
        int playSeconds;
        std::string bigRefusal, note;
    };
    auto nameOf = [](const MMSFrame& f, int k) -> const char* {
        switch (k) {
        case mmssend::kNovel: return f.szText;
        case mmssend::kPhoto: return f.szImage;
        case mmssend::kApp: return f.szApp;
        case mmssend::kVideo: return f.szVideo;
        default: return f.szSound;
        }
    };
    const Case cases[] = {
        {mmssend::kRingtone, "amr", "Midi.QMX", "21秒。", 22, "您所选择的铃声文件过大，请重新选择小于100K的铃声文件。", ""},
        {mmssend::kVoice, "amr", "Voice.QMX", "0秒。", 3, "您所选择的彩信声音文件过大，请重新选择小于100K的彩信声音文件。", ""},
        {mmssend::kNovel, "txt", "Story.QMX", "900", 900, "您所选择的文本文件过大，请重新选择小于100K的文本文件。", ""},
        {mmssend::kPhoto, "gif", "Image.QMX", "30", 30, "您所选择的图片文件过大，请重新选择小于100K的图片文件。", ""},
        {mmssend::kApp, "jar", "KJava.QMX", "0秒。", 5, "您所选择的手机程序文件过大，请重新选择小于100K的手机程序文件。",
         "注意：有些手机不支持KJava应用程序！\r\n\r\n发送之前最好确认一下接收手机是否支持KJava应用程序。"},
        {mmssend::kVideo, "3gp", "Video.QMX", "100秒。", 100, "您所选择的视频文件过大，请重新选择小于100K的视频文件。",
         "注意：有些手机不支持3gp视频文件！\r\n\r\n发送之前最好确认一下接收手机是否支持3gp视频文件。"},
        {mmssend::kMp3, "mp3", "mp3.QMX", "500秒。", 500, "您所选择的mp3文件过大，请重新选择小于100K的mp3文件。",
         "注意：有些手机不支持MP3音乐文件！\r\n\r\n发送之前最好确认一下接收手机是否支持MP3文件。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pkgFile);
        PageFixture f;
        f.page->OnRadioKind(c.kind);
        EXPECT_EQ(FromQ(f.page->m_btnChoose->text()), mmssend::Kind(c.kind).button);
        EXPECT_EQ(f.page->m_btnRecordVoice->isVisibleTo(f.page.get()), c.kind == mmssend::kVoice);
        EXPECT_FALSE(f.page->m_btnEditSlides->isVisibleTo(f.page.get()));
        std::string body = c.kind == mmssend::kPhoto ? kGif : std::string();
        body.resize(100001, c.kind == mmssend::kNovel ? 'a' : '\x01');

        // One byte over: refused, nothing changes.
        f.chosen = f.File("big." + c.ext, body);
        f.page->OnBtnChooseContent();
        ASSERT_EQ(f.asked.size(), 1u);
        EXPECT_EQ(f.asked[0].title, mmssend::Kind(c.kind).title);
        EXPECT_EQ(f.asked[0].defaultExt, mmssend::Kind(c.kind).ext);
        EXPECT_EQ(f.messages, std::vector<std::string>{c.bigRefusal});
        EXPECT_EQ(f.page->m_strContentPath, "");

        // Exactly 100000 bytes, under a Chinese name of 32 bytes before its extension.
        f.messages.clear();
        body.resize(100000);
        const std::string name = "一二三四五六七八九十一二三四五六." + c.ext;
        f.page->LoadContent(c.kind, f.File(name, body));
        EXPECT_EQ(f.page->m_strContentPath, mmssend::AppStored(c.pkgFile));
        EXPECT_TRUE(fs::exists(f.dir.file(c.pkgFile)));
        EXPECT_EQ(f.Label(1285), c.secondsLabel);
        EXPECT_EQ(f.Label(1284), "1/1帧");
        EXPECT_EQ(f.Label(1286), "100500");
        EXPECT_EQ(f.page->Package().Frame(0).nPlaySeconds, c.playSeconds);
        EXPECT_NE(nameOf(f.page->Package().Frame(0), c.kind)[0], 0);
        EXPECT_EQ(FromQ(f.page->m_editTitle->text()), "一二三四五六七八九十一二三四五");
        EXPECT_EQ(f.messages, c.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.note});

        // The package file holds the frame: opened again it has the same frame 0.
        CMMSPackage back;
        back.m_strWorkFolder = f.dir.file("back");
        fs::create_directories(back.m_strWorkFolder);
        back.New();
        back.Open(f.dir.file(c.pkgFile));
        EXPECT_EQ(back.Frame(0).nPlaySeconds, c.playSeconds);
        EXPECT_EQ(ReadFile(back.WorkFile(nameOf(back.Frame(0), c.kind))), body);
    }
}

TEST(SendMMSDlg, EmptyFilesRingtoneLengthsAndPictures) {
    PageFixture f;
    f.page->LoadContent(mmssend::kNovel, f.File("e.txt", ""));
    f.page->LoadContent(mmssend::kPhoto, f.File("e.jpg", ""));
    EXPECT_EQ(f.messages, (std::vector<std::string>{"所选文本文件内容为空，请重新选择！", "所选图像文件为空，请重新选择！"}));
    EXPECT_EQ(f.page->m_strContentPath, "");

    // A MIDI of 30.5 s with a tempo change.
    f.page->LoadContent(mmssend::kRingtone, f.File("tune.mid", Midi305()));
    EXPECT_EQ(f.page->Package().Frame(0).nPlaySeconds, 32);
    EXPECT_EQ(f.Label(1285), "31秒。");
    EXPECT_EQ(f.page->m_strTitle, "tune");

    // A 300 x 100 PNG is scaled into the 140 x 200 box; a GIF goes in as it is.
    QImage png(300, 100, QImage::Format_RGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(QString::fromStdString(f.dir.file("wide.png"))));
    f.page->LoadContent(mmssend::kPhoto, f.dir.file("wide.png"));
    const QImage scaled(QString::fromStdString(f.page->Package().WorkFile(f.page->Package().Frame(0).szImage)));
    EXPECT_EQ(scaled.width(), 140);
    EXPECT_LT(scaled.height(), 100);
    f.page->LoadContent(mmssend::kPhoto, f.File("p.gif", kGif));
    EXPECT_EQ(ReadFile(f.page->Package().WorkFile(f.page->Package().Frame(0).szImage)), kGif);

    // A package file that cannot be written resets the content.
    f.messages.clear();
    fs::remove(f.dir.file("Story.QMX"));
    fs::create_directories(f.dir.file("Story.QMX/x"));
    f.page->LoadContent(mmssend::kNovel, f.File("n.txt", "abc"));
    EXPECT_EQ(f.messages, std::vector<std::string>{"彩信内容文件保存失败，请检查程序目录是否可以写入！"});
    EXPECT_EQ(f.page->m_strContentPath, "");
    EXPECT_EQ(f.Label(1284), "0/0帧");
}

TEST(SendMMSDlg, VoiceLengthThroughTheConverter) {
    PageFixture f;
    fs::copy_file(std::string(SMS_APP_DIR) + "/wta", f.dir.file("wta"));
    // 3 s of 8 kHz 16-bit mono, made into AMR by the converter.
    std::string wav = "RIFF" + Int32s({36 + 48000}) + "WAVEfmt " + Int32s({16}) +
                      std::string("\x01\x00\x01\x00", 4) + Int32s({8000, 16000}) + std::string("\x02\x00\x10\x00", 4) +
                      "data" + Int32s({48000});
    for (int i = 0; i < 24000; ++i) {
        const auto s = static_cast<std::int16_t>((i % 40 < 20) ? 8000 : -8000);
        wav.append(reinterpret_cast<const char*>(&s), 2);
    }
    WriteFile(f.dir.file("in.wav"), wav);
    ConvertVoice(f.dir.file("in.wav"), f.dir.file("v.amr"), 1);
    ASSERT_TRUE(fs::exists(f.dir.file("v.amr")));
    f.page->OnRadioKind(mmssend::kVoice);
    f.page->LoadContent(mmssend::kVoice, f.dir.file("v.amr"));
    EXPECT_NEAR(static_cast<double>(fs::file_size(f.dir.file("CurR.dat"))), 48000, 1000);
    EXPECT_EQ(f.Label(1285), "3秒。");
    EXPECT_EQ(f.page->Package().Frame(0).nPlaySeconds, 6);
    EXPECT_EQ(f.page->m_nVoiceLength, 3);
}

TEST(SendMMSDlg, ImageParamsFile) {
    struct Case {
        std::string bytes;
        int w, h;
    } cases[] = {
        {"", 140, 200},                          // missing
        {Int32s({50, 200, 0}), 140, 200},        // width out of range
        {Int32s({400, 400, 1}), 400, 400},       // both at the top
        {Int32s({100, 100}), 140, 200},          // 8 bytes: short
    };
    for (const Case& c : cases) {
        PageFixture f(c.bytes);
        EXPECT_EQ(g_nMMSImageWidth, c.w);
        EXPECT_EQ(g_nMMSImageHeight, c.h);
    }
    g_nMMSImageWidth = 140;
    g_nMMSImageHeight = 200;
}

TEST(SendMMSDlg, LibrarySlidesAndEmptyPackage) {
    PageFixture f;
    f.page->LoadSlides(SavePackage(f.dir, "MMSSink/接收彩信/abc.qmx", {"第一帧", "第二帧"}));
    EXPECT_EQ(f.page->m_strContentPath, mmssend::AppStored("MMSSink\\接收彩信\\abc.qmx"));
    EXPECT_EQ(f.Label(1284), "1/2帧");
    EXPECT_EQ(f.Label(1046), "接收彩信\\abc");
    EXPECT_EQ(f.page->m_strTitle, "abc");
    f.page->OnBtnNextFrame();
    f.page->OnBtnNextFrame();  // no wrap
    EXPECT_EQ(f.Label(1284), "2/2帧");
    f.page->OnBtnPrevFrame();
    EXPECT_EQ(f.Label(1284), "1/2帧");

    // A package that loads no frame leaves nothing to send.
    f.page->LoadSlides(f.File("MMSSink/接收彩信/bad.qmx", "junk"));
    EXPECT_EQ(f.messages, std::vector<std::string>{"选择的彩信资源文件无效！"});
    EXPECT_EQ(f.page->m_strContentPath, "");
    f.page->OnBtnPlay();
    EXPECT_EQ(f.messages.back(), "请先设置彩信内容，然后再播放彩信！");
}

TEST(SendMMSDlg, RefusalsLeaveThePageAsItWas) {
    struct Case {
        std::string title;
        bool content;
        std::vector<std::string> entries;
        int balance;
        bool timed;
        std::string message;
    } cases[] = {
        {"", true, {"13800000001"}, 1000, false, "请输入彩信标题！"},
        {"   ", true, {"13800000001"}, 1000, true, "请输入彩信标题！"},
        {"a@b", false, {"13800000001"}, 1000, false, "彩信标题中不允许包含@符号！"},
        {"t", false, {"13800000001"}, 1000, false, "还没有设置要发送的彩信内容！"},
        {"t", false, {"13800000001"}, 1000, true, "还没有设置发送的彩信内容！"},
        {"t", true, {}, 1000, false, "还没有指定彩信接收对象！"},
        {"t", true, {"13800000001", "13800000002"}, 1, false, "剩余可发送彩信条数不够！"},
        {"t", true, {"13800000001", "13800000002"}, 1, true, "剩余可发送彩信条数不够！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SendFixture f(c.balance);
        if (c.content) f.page->LoadContent(mmssend::kPhoto, f.File("pic.gif", kGif));
        f.page->m_editTitle->setText(ToQ(c.title));
        f.page->Recipients()->AddEntries(c.entries);
        f.messages.clear();
        ScopedModalRun run(TimedAt2030);
        if (c.timed)
            f.page->OnBtnSendTimed();
        else
            f.page->OnBtnSendNow();
        EXPECT_EQ(f.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(f.page->Recipients()->GetCount(), static_cast<int>(c.entries.size()));
        EXPECT_TRUE(f.Rows(1).empty());
        EXPECT_TRUE(f.Rows(2).empty());
        EXPECT_EQ(f.FtpFileCount(), 0);
        EXPECT_EQ(g_bSendMMSBusy, 0);
        EXPECT_EQ(f.page->m_strSchedule, "");
    }
}

TEST(SendMMSDlg, ImmediateSendCopiesUploadsAndQueues) {
    SendFixture f;
    f.Ready("标题/一", {"13800000001", "10612345678", "13800000002"});
    const int first = f.NextFirstId();
    f.page->OnBtnSendNow();
    EXPECT_EQ(f.messages, std::vector<std::string>{"下列接收号码不正确（未加入发送表）：\r\n\r\n10612345678。"});
    // The copy is named from the title with "/" made "_"; the queued title stays.
    const std::string copyName = "标题_一(20260304050607)";
    EXPECT_EQ(ReadFile(f.dir.file("MMSSink/文件彩信/" + copyName + ".qmx")), ReadFile(f.dir.file("Image.QMX")));
    const auto rows = f.Rows(1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells[queue::kColId], std::to_string(first + 1));
    EXPECT_EQ(rows[1].cells[queue::kColId], std::to_string(first + 2));
    EXPECT_EQ(rows[0].cells[queue::kColNumber], "13800000001");
    EXPECT_EQ(rows[1].cells[queue::kColNumber], "13800000002");
    EXPECT_EQ(rows[0].cells[queue::kColText], "标题/一");
    EXPECT_EQ(rows[0].cells[queue::kColPackage], "文件彩信\\" + copyName);
    const std::string files = rows[0].cells[queue::kColNameOrFiles];
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files.back(), '#');
    EXPECT_EQ(f.ftp.ReadRemote(files.substr(0, files.size() - 1)), kGif);
    EXPECT_EQ(f.page->Recipients()->GetCount(), 0);
    EXPECT_EQ(f.Label(1101), "彩信接收者(当前已有0位)：");
    EXPECT_EQ(g_bSendMMSBusy, 0);
}

TEST(SendMMSDlg, LibraryPackageScheduledAndWideNumbers) {
    SendFixture f;
    f.page->LoadSlides(SavePackage(f.dir, "MMSSink/接收彩信/abc.qmx", {"正文"}));
    f.page->Recipients()->AddEntries({"13800000001", "13800000002"});
    std::strcpy(g_SysInfo.szNumberPrefix, "+86");
    f.messages.clear();
    const int first = f.NextFirstId();
    ScopedModalRun run(TimedAt2030);
    f.page->OnBtnSendTimed();
    EXPECT_EQ(f.messages, std::vector<std::string>{"已将彩信加入待发列表等待发送！"});
    EXPECT_TRUE(fs::is_empty(f.dir.file("MMSSink/文件彩信")));  // a library package is not copied
    const auto rows = f.Rows(2);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[queue::kColId], std::to_string(first + 2));
    EXPECT_EQ(rows[0].cells[queue::kColNumber], "+8613800000001 +8613800000002");
    EXPECT_EQ(rows[0].cells[queue::kColPackage], "接收彩信\\abc");
    EXPECT_EQ(rows[0].cells[queue::kColTime], "2030-03-04 07:08:09");
    EXPECT_EQ(f.page->m_strSchedule, "");

    // 3 + 17 bytes do not fit the row's number: refused, not dropped.
    f.page->Recipients()->AddEntries({"13800000000123456", "13800000003"});
    f.messages.clear();
    f.page->OnBtnSendNow();
    EXPECT_EQ(f.messages, std::vector<std::string>{"下列接收号码不正确（未加入发送表）：\r\n\r\n13800000000123456。"});
    ASSERT_EQ(f.Rows(1).size(), 1u);
    EXPECT_EQ(f.Rows(1)[0].cells[queue::kColNumber], "+8613800000003");
}

TEST(SendMMSDlg, FailuresQueueNothing) {
    {  // too many files for one row: nothing copied, uploaded or queued
        SendFixture f;
        WriteFile(f.dir.file("s.amr"), "#!AMR\n");
        f.page->LoadSlides(SavePackage(f.dir, "many.qmx", std::vector<std::string>(20, "t"), f.dir.file("s.amr")));
        f.page->m_editTitle->setText("t");
        f.page->Recipients()->AddEntries({"13800000001"});
        f.messages.clear();
        f.page->OnBtnSendNow();
        EXPECT_EQ(f.messages, std::vector<std::string>{"彩信包含的文件过多，无法作为一条彩信发送！"});
        EXPECT_TRUE(fs::is_empty(f.dir.file("MMSSink/文件彩信")));
        EXPECT_EQ(f.FtpFileCount(), 0);
        EXPECT_TRUE(f.Rows(1).empty());
    }
    {  // the library copy fails
        SendFixture f;
        f.Ready("t", {"13800000001"});
        fs::remove_all(f.dir.file("MMSSink/文件彩信"));
        WriteFile(f.dir.file("MMSSink/文件彩信"), "x");
        f.page->OnBtnSendNow();
        EXPECT_EQ(f.messages, std::vector<std::string>{"复制彩信文件到彩信库失败，彩信未发送！"});
        EXPECT_EQ(f.FtpFileCount(), 0);
        EXPECT_TRUE(f.Rows(1).empty());
        EXPECT_EQ(f.page->Recipients()->GetCount(), 1);
    }
    {  // the FTP server down keeps the recipients
        SendFixture f;
        f.Ready("t", {"13800000001"});
        LoginInfo li = GetLoginInfo();
        li.nFtpPort = 1;
        SetLoginInfo(li);
        f.page->OnBtnSendNow();
        testsupport::WaitUntil([&] { return !f.messages.empty(); });
        EXPECT_EQ(f.messages, std::vector<std::string>{"提交彩信文件时，连接服务器失败。"});
        EXPECT_TRUE(f.Rows(1).empty());
        EXPECT_EQ(f.page->Recipients()->GetCount(), 1);
        EXPECT_EQ(g_bSendMMSBusy, 0);
    }
}

TEST(SendMMSDlg, SerialRisesOnlyForAnUploadThatWentUp) {
    SendFixture f;
    g_nSerialNo = 57;
    const LoginInfo good = GetLoginInfo();
    LoginInfo down = good, refused = good;
    down.nFtpPort = 1;
    refused.strFtpUser = testsupport::FtpServerFixture::kReader;
    refused.strFtpPassword = testsupport::FtpServerFixture::kReaderPassword;
    struct Step {
        const LoginInfo* login;
        const char* message;
        int serialAfter;
    };
    const Step steps[] = {{&down, "提交彩信文件时，连接服务器失败。", 57},
                          {&refused, "提交彩信文件时，打开目标文件失败。", 57},
                          {&good, "已将彩信加入待发列表等待发送！", 58},
                          {&refused, "提交彩信文件时，打开目标文件失败。", 58},
                          {&good, "已将彩信加入待发列表等待发送！", 59}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.message);
        SetLoginInfo(*s.login);
        f.Ready("t", {"13800000001"});
        f.page->OnBtnSendNow();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return !f.messages.empty(); }));
        EXPECT_EQ(f.messages, std::vector<std::string>{s.message});
        EXPECT_EQ(g_nSerialNo.load(), s.serialAfter);
        f.page->Recipients()->ResetContent();
    }
    std::vector<std::string> prefixes;
    for (const auto& r : f.Rows(1)) {
        const std::string& list = r.cells[queue::kColNameOrFiles];
        prefixes.push_back(list.substr(0, list.find('-')));
    }
    EXPECT_EQ(prefixes, (std::vector<std::string>{"570304050607", "580304050607"}));
    LoadSerialNo();  // "流水号" as saved
    EXPECT_EQ(g_nSerialNo.load(), 59);
}

TEST(SendMMSDlg, SecondClickDuringASendDoesNothing) {
    SendFixture f;
    f.Ready("t", {"13800000001", "13800000002"});
    bool reentered = false;
    // Runs while the first send waits for the balance or the upload.
    QTimer::singleShot(0, f.page.get(), [&] {
        reentered = true;
        f.page->OnBtnSendNow();
    });
    f.page->OnBtnSendNow();
    EXPECT_TRUE(reentered);
    EXPECT_EQ(f.messages, std::vector<std::string>{"已将彩信加入待发列表等待发送！"});
    EXPECT_EQ(f.Rows(1).size(), 2u);
}

TEST(SendMMSDlg, RecordedVoiceBecomesTheContent) {
    PageFixture f;
    const std::string amr = "#!AMR\n" + std::string(994, '\x3c');
    f.File("CurR.amr", amr);
    f.page->OnRadioKind(mmssend::kVoice);
    ScopedModalRun run([](CSkinDialog& d) {
        static_cast<CVoiceRecordDlg&>(d).m_nLength = 4;
        return static_cast<int>(IDOK);
    });
    f.page->OnBtnRecordVoice();
    EXPECT_EQ(f.page->m_strContentPath, mmssend::AppStored("Voice.QMX"));
    EXPECT_EQ(f.Label(1285), "4秒。");
    EXPECT_EQ(f.Label(1284), "1/1帧");
    EXPECT_EQ(f.Label(1286), "1500");
    EXPECT_EQ(f.page->Package().Frame(0).nPlaySeconds, 7);
    EXPECT_EQ(ReadFile(f.page->Package().WorkFile(f.page->Package().Frame(0).szSound)), amr);
}

// Play and stop over a device that takes as long as the samples last: the voice WAV through the
// system sound player, a ".mid" ringtone through the MIDI player, the slides through the preview;
// stop ends each of them, and another ringtone plays nothing.
TEST(SendMMSDlg, PlayAndStopEachKind) {
    PageFixture f;
    auto dev = std::make_shared<wave::FileWaveDevice>(f.dir.file("in.raw"), f.dir.file("out.raw"));
    dev->SetRealTime(true);
    wave::ScopedWaveDevice scoped{dev};
    const auto stopsPlaying = [&](const char* what) {
        f.page->OnBtnStop();
        EXPECT_FALSE(sound::SystemSound().IsPlaying()) << what;
        EXPECT_FALSE(f.page->Package().m_bPlaying) << what;
        EXPECT_TRUE(testsupport::WaitUntil([&] { return dev->m_nOpenOutputs == 0; })) << what;
    };

    // The recorded voice.
    f.File("CurR.amr", "#!AMR\n" + std::string(994, '\x3c'));
    const std::string pcm = soundfix::Bytes(soundfix::Tone(4.0));
    f.File("CurR.dat", soundfix::Wav(pcm));
    f.page->OnRadioKind(mmssend::kVoice);
    {
        ScopedModalRun run([](CSkinDialog& d) {
            static_cast<CVoiceRecordDlg&>(d).m_nLength = 4;
            return static_cast<int>(IDOK);
        });
        f.page->OnBtnRecordVoice();
    }
    f.page->OnBtnPlay();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dev->m_nBytesPlayed > 0; }));
    EXPECT_TRUE(sound::SystemSound().IsPlaying());
    stopsPlaying("voice");
    EXPECT_LT(dev->m_nBytesPlayed, static_cast<long long>(pcm.size()));

    // A MIDI ringtone of 30.5 s, rendered at 22050 Hz in stereo.
    f.page->LoadContent(mmssend::kRingtone, f.File("tune.mid", Midi305()));
    const long long before = dev->m_nBytesPlayed;
    f.page->OnBtnPlay();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dev->m_nBytesPlayed > before; }));
    EXPECT_EQ(dev->LastOutputFormat().rate, 22050);
    EXPECT_EQ(dev->LastOutputFormat().channels, 2);
    stopsPlaying("midi");

    // An AMR ringtone is not played.
    f.page->LoadContent(mmssend::kRingtone, f.File("tune.amr", "#!AMR\n" + std::string(100, '\x3c')));
    const int opens = dev->m_nOutputOpens;
    f.page->OnBtnPlay();
    EXPECT_EQ(dev->m_nOutputOpens, opens);
    EXPECT_TRUE(f.messages.empty()) << f.messages.front();

    // Slides play frame after frame until stopped.
    f.page->LoadSlides(SavePackage(f.dir, "MMSSink/接收彩信/abc.qmx", {"第一帧", "第二帧"}));
    f.page->OnBtnPlay();
    EXPECT_TRUE(f.page->Package().m_bPlaying);
    stopsPlaying("slides");
}

// Offscreen pictures of the page for a look (SMS_SHOT_DIR set): a long text in its skinned
// edit, and slides whose frame has a sound.
TEST(SendMMSDlg, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    PageFixture f;
    f.page->resize(730, 376);
    std::string novel;
    for (int i = 1; i <= 40; ++i) novel += "第" + std::to_string(i) + "行：春眠不觉晓，处处闻啼鸟。\r\n";
    f.page->LoadContent(mmssend::kNovel, f.File("novel.txt", codec::ToGbk(novel)));
    f.page->m_editTitle->setText(ToQ("春晓"));
    f.page->Recipients()->AddEntries({"13800000001", "13800000002"});
    f.page->show();
    QApplication::processEvents();
    f.page->grab().save(QString(out) + "/page135-novel.png");
    f.page->LoadSlides(SavePackage(f.dir, "MMSSink/接收彩信/abc.qmx", {"第一帧", "第二帧"}, f.File("s.amr", "#!AMR\n")));
    QApplication::processEvents();
    f.page->grab().save(QString(out) + "/page135-slides.png");
}

// The sound mark under the screen follows the shown frame: AMR, another sound, or none.
TEST(SendMMSDlg, SoundMarkFollowsTheFrame) {
    PageFixture f;
    const struct {
        const char* sound;
        int mark;
    } cases[] = {{"s.amr", 641}, {"s.wav", 642}, {nullptr, 0}};
    for (const auto& c : cases) {
        const std::string sound = c.sound ? f.File(c.sound, "#!AMR\n") : std::string();
        f.page->LoadSlides(SavePackage(f.dir, std::string("MMSSink/接收彩信/") + (c.sound ? c.sound : "none") + ".qmx",
                                       {"第一帧"}, sound));
        EXPECT_EQ(f.page->m_nSoundMark, c.mark) << (c.sound ? c.sound : "none");
    }
    f.page->OnRadioKind(mmssend::kRingtone);
    EXPECT_EQ(f.page->m_nSoundMark, 0);
}

// The page area of the main window is 730 x 376: the recipient and send buttons lie inside it.
TEST(SendMMSDlg, ButtonsFitThePageArea) {
    PageFixture f;
    const QRect area(0, 0, 730, 376);
    for (const char* id : {"1002", "1003", "1009", "1006", "1276", "1007", "1008", "1284", "1285", "1286"}) {
        QWidget* b = f.page->findChild<QWidget*>(id);
        ASSERT_NE(b, nullptr) << id;
        EXPECT_TRUE(area.contains(b->geometry())) << id;
    }
    EXPECT_TRUE(area.contains(f.page->Recipients()->geometry()));
    EXPECT_TRUE(area.contains(f.page->SoundMarkRect()));
}
