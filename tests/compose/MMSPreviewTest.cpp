#include "compose/MMSPreview.h"
#include "compose/MMSDialogs.h"
#include "compose/MultiLineEdit.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "platform/TimerIds.h"
#include "support/SoundFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <gif_lib.h>

#include <chrono>
#include <filesystem>

using namespace soundfix;
using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WaitUntil;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

// A host as the pages are: timers by number passed on, notices counted, the screen painted.
class Host : public QWidget, public IMMSPreviewHost {
public:
    QWidget* PreviewSurface() override { return this; }
    void SetTimer(int nId, int ms) override {
        timers.Set(this, nId, ms);
        lastSet[nId] = ms;
    }
    void KillTimer(int nId) override { timers.Kill(nId); }
    void OnPreviewMessage(int nMsg) override { notices.push_back(nMsg); }
    void timerEvent(QTimerEvent* e) override {
        if (const int id = timers.IdOf(e); id >= 0 && preview) preview->OnPreviewTimer(id);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (preview) preview->DrawAnimationFrame(p);
    }
    CTimerIds timers;
    std::map<int, int> lastSet;
    std::vector<int> notices;
    CMMSPreview* preview = nullptr;
};

QImage Solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// A GIF of several frames, one colour each (giflib).
void WriteAnimatedGif(const std::string& path, const std::vector<QColor>& colours, int w, int h) {
    int err = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &err);
    ASSERT_TRUE(gif);
    std::vector<GifColorType> pal(4, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        pal[i] = {static_cast<GifByteType>(colours[i].red()), static_cast<GifByteType>(colours[i].green()),
                  static_cast<GifByteType>(colours[i].blue())};
    ColorMapObject* map = GifMakeMapObject(4, pal.data());
    EGifSetGifVersion(gif, true);
    ASSERT_EQ(EGifPutScreenDesc(gif, w, h, 2, 0, map), GIF_OK);
    const unsigned char loop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const unsigned char loopSub[] = {1, 0, 0};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, sizeof loop, loop);
    EGifPutExtensionBlock(gif, sizeof loopSub, loopSub);
    EGifPutExtensionTrailer(gif);
    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (std::size_t f = 0; f < colours.size(); ++f) {
        const unsigned char gce[] = {0x04, 40, 0, 0};  // 400 ms, no transparency
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof gce, gce);
        ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), GIF_OK);
        std::fill(line.begin(), line.end(), static_cast<GifPixelType>(f));
        for (int y = 0; y < h; ++y) EGifPutLine(gif, line.data(), w);
    }
    EGifCloseFile(gif, &err);
    GifFreeMapObject(map);
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work);
        fs::copy_file(std::string(SMS_APP_DIR) + "/wta", app.file("wta"));
        host.resize(300, 400);
        text = new QPlainTextEdit(&host);
        host.preview = &pv;
        pv.m_pHost = &host;
        pv.m_pTextCtrl = text;
        pv.m_nLeft = 56;
        pv.m_nTop = 103;
        pv.m_strWorkFolder = work;
        pv.Reset();
        host.show();
    }
    void TearDown() override { pv.Reset(); }
    // Puts a file into the work folder as a frame's name.
    void Put(char (&field)[40], const std::string& name, const std::string& data) {
        WriteFile(work + "/" + name, data);
        std::snprintf(field, sizeof field, "%s", name.c_str());
    }
    void PutPicture(int frame, const std::string& name, const QImage& img) {
        ASSERT_TRUE(img.save(QString::fromStdString(work + "/" + name)));
        std::snprintf(pv.Frame(frame).szImage, 40, "%s", name.c_str());
    }
    std::string Amr(double seconds) {
        WriteFile(app.file("t.wav"), Wav(Bytes(Tone(seconds))));
        QProcess p;
        p.start(QString::fromStdString(app.file("wta")),
                {"wav2amr", QString::fromStdString(app.file("t.wav")), QString::fromStdString(app.file("t.amr"))});
        p.waitForFinished();
        return ReadFile(app.file("t.amr"));
    }

    TempAppDir app;
    std::string work = app.file("SendTemp");
    std::shared_ptr<wave::FileWaveDevice> dev =
        std::make_shared<wave::FileWaveDevice>(app.file("in.raw"), app.file("out.raw"));
    wave::ScopedWaveDevice scoped{dev};
    std::vector<std::string> messages;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return 0;
    }};
    Host host;
    QPlainTextEdit* text = nullptr;
    CMMSPreview pv;
};

TEST_F(PreviewTest, PictureAndTextGeometry) {
    struct Case {
        int w, h;
        QRect picture;  // relative to the origin
        int textTop, textHeight;
    } cases[] = {
        {200, 300, QRect(0, 0, 128, 160), 160, 46},  // 128 x 300 / 200 = 192, cut to 160
        {64, 64, QRect(32, 0, 64, 64), 64, 142},
        {300, 100, QRect(0, 0, 128, 42), 100, 106},  // the text follows the picture's own height
    };
    for (const Case& c : cases) {
        pv.Reset();
        PutPicture(0, "00.png", Solid(c.w, c.h, QColor(200, 0, 0)));
        Put(pv.Frame(0).szText, "00.txt", codec::ToGbk("你好"));
        pv.PlayFrameSound(0);
        EXPECT_EQ(pv.PictureRect(), c.picture.translated(56, 103)) << c.w << "x" << c.h;
        EXPECT_EQ(text->geometry(), QRect(57, 103 + c.textTop, 128, c.textHeight)) << c.w << "x" << c.h;
        EXPECT_EQ(codec::FromQ(text->toPlainText()), "你好");
        EXPECT_FALSE(text->isHidden());
        // Drawn offscreen where the geometry says.
        QCoreApplication::processEvents();
        const QImage shot = host.grab().toImage();
        const QRect r = pv.PictureRect();
        EXPECT_EQ(QColor(shot.pixel(r.center())), QColor(200, 0, 0));
        EXPECT_EQ(QColor(shot.pixel(r.left() - 2 > 0 ? r.left() - 2 : r.right() + 2, 90)), QColor(Qt::white));
    }
    // No picture: the text starts at the top and is 206 high.
    pv.Reset();
    Put(pv.Frame(0).szText, "00.txt", "abc");
    pv.PlayFrameSound(0);
    EXPECT_EQ(text->geometry(), QRect(57, 103, 128, 206));
    pv.m_bShowText = 0;
    pv.ShowFrame(0);
    EXPECT_TRUE(text->isHidden());
}

TEST_F(PreviewTest, StepsFramesAndStopsWhenNothingShows) {
    Put(pv.Frame(0).szText, "00.txt", "a");
    Put(pv.Frame(19).szText, "19.txt", "b");
    Put(pv.Frame(5).szVideo, "05.3gp", "video");  // skipped
    pv.StartPreview();
    EXPECT_EQ(pv.m_nCurFrame, 0);
    pv.OnPreviewTimer(100);
    EXPECT_EQ(pv.m_nCurFrame, 19);
    pv.OnPreviewTimer(100);
    EXPECT_EQ(pv.m_nCurFrame, 0);  // from frame 19 on to frame 0
    ASSERT_TRUE(WaitUntil([&] { return host.notices.size() == 3; }));
    EXPECT_EQ(host.notices, (std::vector<int>{0x66, 0x66, 0x66}));
    pv.StopPreview();
    EXPECT_FALSE(host.timers.Active(100));

    pv.Reset();
    Put(pv.Frame(3).szVideo, "03.3gp", "video");
    Put(pv.Frame(4).szApp, "04.jar", "app");
    host.notices.clear();
    pv.StartPreview();
    EXPECT_EQ(messages, std::vector<std::string>{"没有设置任何可预览内容！"});
    EXPECT_EQ(pv.m_bPlaying, 0);
    EXPECT_EQ(pv.m_nCurFrame, 0);
    ASSERT_TRUE(WaitUntil([&] { return !host.notices.empty(); }));
    EXPECT_EQ(host.notices, std::vector<int>{0x67});
}

TEST_F(PreviewTest, PlayTimeIsClampedForTheStepTimer) {
    const std::pair<int, int> cases[] = {{0, 5000}, {-7, 5000}, {1, 1000}, {8, 8000}, {999, 999000}, {1000, 999000}};
    for (const auto& [seconds, ms] : cases) {
        pv.Reset();
        Put(pv.Frame(0).szText, "00.txt", "a");
        pv.Frame(0).nPlaySeconds = seconds;
        pv.StartPreview();
        EXPECT_EQ(host.lastSet[100], ms) << seconds;
        EXPECT_TRUE(host.timers.Active(100));
    }
}

TEST_F(PreviewTest, ThreeFrameGifAnimatesInOrder) {
    const std::vector<QColor> colours = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    WriteAnimatedGif(work + "/00.gif", colours, 40, 30);
    std::snprintf(pv.Frame(0).szImage, 40, "00.gif");
    pv.PlayFrameSound(0);
    ASSERT_EQ(pv.m_listPictures.size(), 3u);
    EXPECT_TRUE(host.timers.Active(200));
    EXPECT_EQ(host.lastSet[200], 400);
    for (int round = 0; round < 2; ++round)
        for (const QColor& c : colours) {
            pv.OnPreviewTimer(200);
            QCoreApplication::processEvents();
            const QImage shot = host.grab().toImage();
            EXPECT_EQ(QColor(shot.pixel(pv.PictureRect().center())), c) << round;
        }
    // A still picture is one element; a file that cannot be decoded shows nothing and is logged.
    PutPicture(1, "01.png", Solid(10, 10, Qt::black));
    pv.PlayFrameSound(1);
    EXPECT_EQ(pv.m_listPictures.size(), 1u);
    Put(pv.Frame(2).szImage, "02.jpg", "not a picture");
    pv.PlayFrameSound(2);
    EXPECT_TRUE(pv.m_listPictures.empty());
    EXPECT_FALSE(ReadFile(app.file("RunLog.txt")).empty());
}

TEST_F(PreviewTest, OpenConvertsEveryAmrAndTheAmrFrameIsHeard) {
    const std::string amr = Amr(1.0);
    ASSERT_EQ(amr.substr(0, 6), "#!AMR\n");
    // A package: frame 0 an AMR voice, frame 1 an MP3, frame 2 a second AMR.
    {
        CMMSPackage src;
        src.m_strWorkFolder = app.file("src");
        fs::create_directories(src.m_strWorkFolder);
        src.New();
        WriteFile(app.file("a.amr"), amr);
        WriteFile(app.file("b.mp3"), std::string(3000, '\x55'));
        src.SetSound(0, app.file("a.amr"));
        src.SetSound(1, app.file("b.mp3"));
        src.SetSound(2, app.file("a.amr"));
        ASSERT_EQ(src.Save(app.file("p.qmx"), 1), 1);
    }
    ASSERT_EQ(pv.Open(app.file("p.qmx")), 1);
    EXPECT_EQ(fs::file_size(work + "/00.wav"), 44u + 16000);
    EXPECT_EQ(fs::file_size(work + "/02.wav"), 44u + 16000);
    EXPECT_FALSE(fs::exists(work + "/01.wav"));

    pv.StartPreview();  // frame 0: its WAV plays
    ASSERT_TRUE(WaitUntil([&] { return !sound::SystemSound().IsPlaying() && dev->m_nBytesPlayed == 16000; }));
    EXPECT_TRUE(AnyNonZero(ReadFile(app.file("out.raw"))));
    pv.OnPreviewTimer(100);  // frame 1: an MP3 is not played
    EXPECT_EQ(pv.m_nCurFrame, 1);
    EXPECT_FALSE(sound::SystemSound().IsPlaying());
    EXPECT_EQ(dev->m_nBytesPlayed, 16000);
    EXPECT_EQ(dev->m_nOutputOpens, 1);

    // With the no-sound flag the frames play silently.
    pv.m_bNoSound = 1;
    pv.OnPreviewTimer(100);
    EXPECT_EQ(pv.m_nCurFrame, 2);
    EXPECT_EQ(dev->m_nOutputOpens, 1);
}

TEST_F(PreviewTest, AFailedConversionLeavesNoPlayableSound) {
    WriteFile(app.file("bad.amr"), "#!AMR\n\x3c");  // cut inside its first frame
    pv.SetSound(0, app.file("bad.amr"));
    EXPECT_STREQ(pv.Frame(0).szSound, "00.amr");
    EXPECT_FALSE(fs::exists(work + "/00.wav"));
    pv.StartPreview();
    EXPECT_FALSE(sound::SystemSound().IsPlaying());
    EXPECT_EQ(dev->m_nOutputOpens, 0);

    // Without the converter, the same.
    fs::remove(app.file("wta"));
    WriteFile(app.file("good.amr"), Amr(0.2));
    EXPECT_FALSE(pv.SetSound(1, app.file("good.amr")).empty());
    EXPECT_FALSE(fs::exists(work + "/01.wav"));
}

TEST_F(PreviewTest, AConverterThatHangsIsEndedAndItsHalfWavRemoved) {
    WriteFile(app.file("a.amr"), Amr(0.2));
    // A converter that writes half a WAV and never ends.
    fs::remove(app.file("wta"));
    WriteFile(app.file("wta"), "#!/bin/sh\nprintf 'RIFF' > \"$3\"\nexec sleep 600\n");
    fs::permissions(app.file("wta"), fs::perms::owner_all);
    pv.m_nConvertTimeoutMs = 1500;
    int ticks = 0;  // the host's timers and paints go on meanwhile
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(pv.SetSound(0, app.file("a.amr")).empty());
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(took, std::chrono::milliseconds(1500));
    EXPECT_LT(took, std::chrono::seconds(20));
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(fs::exists(work + "/00.wav"));
}

TEST_F(PreviewTest, MidiFrameRendersSamples) {
    Put(pv.Frame(0).szSound, "00.mid", Header(0, 1, 480) + Track(Note(0, 480) + EndOfTrack(0)));
    pv.StartPreview();
    EXPECT_EQ(pv.m_nMciDevice, 1);
    ASSERT_TRUE(WaitUntil([&] { return !pv.m_Midi.IsPlaying(); }, 30000));
    EXPECT_TRUE(AnyNonZero(ReadFile(app.file("out.raw"))));
    pv.StopPreview();
    EXPECT_EQ(pv.m_nMciDevice, 0);
}

TEST_F(PreviewTest, DialogsAndQuestions) {
    std::vector<std::string> titles;
    std::optional<std::string> answer;
    seam::ScopedFileDialog files([&](const seam::FileDialogRequest& r) {
        titles.push_back(r.title);
        return answer;
    });
    EXPECT_EQ(pv.SetSound(0, ""), "");
    EXPECT_EQ(pv.SetImage(0, "", 1), 0);
    EXPECT_EQ(pv.Open(""), 0);
    EXPECT_EQ(titles, (std::vector<std::string>{"选择要设置的彩信声音文件名", "选择要设置的彩信图片文件名",
                                                "选择要打开的彩信资源文件名"}));
    EXPECT_TRUE(messages.empty());

    answer = app.file("missing.amr");
    EXPECT_EQ(pv.SetSound(0, ""), "");
    answer = app.file("missing.jpg");
    EXPECT_EQ(pv.SetImage(0, "", 1), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{"选中声音文件无效！", "选中图片文件无效！"}));

    messages.clear();
    EXPECT_EQ(pv.Save(app.file("x.qmx"), 1), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"保存失败！\r\n没有彩信内容可保存！"});
    EXPECT_FALSE(fs::exists(app.file("x.qmx")));

    // An empty text goes to the frame text dialog: cancelled, nothing changes; OK takes its text.
    {
        std::vector<unsigned> opened;
        ScopedModalRun run([&](CSkinDialog& d) {
            opened.push_back(d.TemplateId());
            d.ShowForHook();
            d.OnCancel();
            return d.result();
        });
        pv.SetText(0, "", 1);
        EXPECT_EQ(opened, std::vector<unsigned>{CFrameTextDlg::IDD});
        EXPECT_STREQ(pv.Frame(0).szText, "");
    }
    {
        ScopedModalRun run([](CSkinDialog& d) {
            d.ShowForHook();
            static_cast<CFrameTextDlg&>(d).m_editText->SetText(codec::ToQ("彩信"));
            d.OnOK();
            return d.result();
        });
        pv.SetText(0, "", 1);
        EXPECT_EQ(codec::FromQ(text->toPlainText()), "彩信");
    }
    pv.SetText(0, "短信", 1);
    EXPECT_EQ(codec::FromQ(text->toPlainText()), "短信");

    // A modified package asks before it is replaced (answered No here).
    messages.clear();
    pv.New();
    EXPECT_EQ(messages, std::vector<std::string>{"是否保存已经打开的彩信资源文件？"});
    EXPECT_STREQ(pv.Frame(0).szText, "");
    EXPECT_TRUE(text->isHidden());
}

TEST(MMSPlayer, ShowsFrameZeroAndLeavesNoFolder) {
    TempAppDir dir;
    const std::string tmp = dir.file("tmp");
    fs::create_directories(tmp);
    fs::create_directories(dir.file("runtime"));
    fs::permissions(dir.file("runtime"), fs::perms::owner_all);
    {
        CMMSPackage pkg;
        pkg.m_strWorkFolder = dir.file("src");
        fs::create_directories(pkg.m_strWorkFolder);
        pkg.New();
        QImage img(100, 80, QImage::Format_RGB32);
        img.fill(QColor(0, 0, 255));
        ASSERT_TRUE(img.save(QString::fromStdString(dir.file("p.png"))));
        pkg.SetImage(0, dir.file("p.png"), 0);
        pkg.SetText(0, "第一帧", 0);
        pkg.SetText(1, "第二帧", 0);
        ASSERT_EQ(pkg.Save(dir.file("a.qmx"), 1), 1);
    }
    auto run = [&](const QStringList& args, const QString& shot) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", QString::fromStdString(tmp));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.file("runtime")));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("MMSPLAYER_SNAPSHOT", shot);
        p.setProcessEnvironment(env);
        p.start(QString(SMS_APP_DIR) + "/MMSPlayer", args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return std::make_pair(p.exitCode(), p.readAllStandardError().toStdString());
    };
    const QString shot = QString::fromStdString(dir.file("shot.png"));
    auto [rc, err] = run({QString::fromStdString(dir.file("a.qmx"))}, shot);
    EXPECT_EQ(rc, 0) << err;
    const QImage img(shot);
    ASSERT_FALSE(img.isNull());
    // The picture (fitted to 100 x 80, drawn centred on the 128-wide screen) is on show.
    const QColor c = img.pixel(20 + 14 + 50, 44 + 40);  // a JPEG copy: nearly pure blue
    EXPECT_TRUE(c.blue() > 240 && c.red() < 16 && c.green() < 16) << c.name().toStdString();
    EXPECT_EQ(QColor(img.pixel(20 + 2, 44 + 40)), QColor(Qt::white));
    EXPECT_TRUE(fs::is_empty(tmp));

    auto [rc2, err2] = run({QString::fromStdString(dir.file("missing.qmx"))}, shot);
    EXPECT_NE(rc2, 0);
    EXPECT_NE(err2.find("missing.qmx"), std::string::npos);
    WriteFile(dir.file("junk.qmx"), "junk");
    EXPECT_NE(run({QString::fromStdString(dir.file("junk.qmx"))}, shot).first, 0);
    EXPECT_NE(run({}, shot).first, 0);
    EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
