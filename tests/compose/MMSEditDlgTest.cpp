#include "compose/MMSDialogs.h"
#include "compose/MMSEditDlg.h"
#include "compose/MultiLineEdit.h"
#include "compose/SendMMSDlg.h"
#include "compose/SoundLength.h"
#include "compose/VoiceRecordDlg.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "platform/WaveDevice.h"
#include "support/SoundFixture.h"
#include "support/TestSupport.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QtTest/QTest>

#include <deque>
#include <filesystem>

using namespace soundfix;
using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WaitUntil;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string Text(const QLabel* l) { return codec::FromQ(l->text()); }

// A MIDI file of `quarters` quarter notes at 120 beats a minute (500 ms each).
std::string Midi(int quarters) {
    return Header(0, 1, 480) + Track(Tempo(0, 500000) + Note(0, 480u * static_cast<unsigned>(quarters)) + EndOfTrack(0));
}

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(app.file("MMSSink/我的彩信"));
        fs::copy_file(std::string(SMS_APP_DIR) + "/wta", app.file("wta"));
        fs::copy_file(std::string(SMS_APP_DIR) + "/wh.dat", app.file("wh.dat"));
        fs::copy_file(std::string(SMS_APP_DIR) + "/FilmBK.bmp", app.file("FilmBK.bmp"));
    }
    // A package file written by the package itself: frame 0 holds `text`, frame 1 a text of
    // `moreBytes` bytes when given.
    std::string MakePackage(const std::string& name, const std::string& text, std::size_t moreBytes = 0,
                            int playSeconds = 5) {
        CMMSPackage pkg;
        pkg.m_strWorkFolder = app.file("src");
        fs::create_directories(pkg.m_strWorkFolder);
        pkg.ClearFolder();
        pkg.ClearFrames();
        pkg.SetText(0, text, 0);
        pkg.Frame(0).nPlaySeconds = playSeconds;
        if (moreBytes) pkg.SetText(1, std::string(moreBytes, 'x'), 0);
        const std::string path = app.path() + "\\MMSSink\\我的彩信\\" + name + ".qmx";
        EXPECT_EQ(pkg.Save(path, 1), 1);
        return path;
    }
    // Opens the editor on a package (empty: a new one) without a modal loop.
    void Show(const std::string& path = "") {
        dlg.m_strPackagePath = path;
        dlg.ShowForHook();
    }
    // A saved package opened into the folder "back".
    std::unique_ptr<CMMSPackage> ReadBack(const std::string& path) {
        auto pkg = std::make_unique<CMMSPackage>();
        pkg->m_strWorkFolder = app.file("back");
        fs::create_directories(pkg->m_strWorkFolder);
        pkg->Open(path);
        return pkg;
    }
    std::string Fs(const std::string& stored) const { return paths::ToFsPath(stored); }

    TempAppDir app;
    std::shared_ptr<wave::FileWaveDevice> dev =
        std::make_shared<wave::FileWaveDevice>(app.file("in.raw"), app.file("out.raw"));
    wave::ScopedWaveDevice scoped{dev};
    std::vector<std::string> messages;
    int answer = 1;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        return answer;
    }};
    std::deque<std::optional<std::string>> files;
    std::vector<seam::FileDialogRequest> asked;
    seam::ScopedFileDialog fileDlg{[this](const seam::FileDialogRequest& r) -> std::optional<std::string> {
        asked.push_back(r);
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }};
    CMMSEditDlg dlg;
};

constexpr const char* kOver50K = "注意：彩信文件已经大于50K，某些手机型号不支持大于50K的彩信！";

TEST_F(EditTest, PackageSizesWarnAndRefuse) {
    // Empty: "1K".
    Show();
    EXPECT_EQ(Text(dlg.m_lblTotal), "1K");
    EXPECT_EQ(dlg.m_nTotalK, 0);
    EXPECT_EQ(Text(dlg.m_lblName), "彩信名称：新建彩信--未命名");
    dlg.OnCancel();

    // 50,001 bytes of frame files: 51K, saved with the warning.
    const std::string p51 = MakePackage("p51", std::string(1, 'a'), 50000);
    Show(p51);
    EXPECT_EQ(Text(dlg.m_lblTotal), "51K");
    EXPECT_EQ(Text(dlg.m_lblName), "彩信名称：我的彩信\\p51");
    dlg.OnBtnTimeUp();
    dlg.OnBtnSave();
    EXPECT_EQ(messages, std::vector<std::string>{kOver50K});
    EXPECT_EQ(dlg.Package().m_bModified, 0);
    dlg.OnCancel();
    EXPECT_EQ(ReadBack(p51)->Frame(0).nPlaySeconds, 6);

    // 90,000 bytes: 91K, refused by both saves; nothing written.
    messages.clear();
    const std::string p91 = MakePackage("p91", std::string(10, 'a'), 89990);
    const std::string before = ReadFile(Fs(p91));
    Show(p91);
    EXPECT_EQ(Text(dlg.m_lblTotal), "91K");
    dlg.OnBtnTimeUp();
    dlg.OnBtnSave();
    int result = -1;
    QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
    dlg.OnOK();
    EXPECT_EQ(result, -1);  // stays open
    EXPECT_EQ(messages,
              (std::vector<std::string>{
                  "保存彩信失败！\r\n\r\n系统设定彩信文件不能大于90K，请删除一些图片或声音后再保存！",
                  "保存彩信失败！\r\n\r\n系统设定彩信文件不能大于90K，请删除一些信息后再保存！"}));
    EXPECT_EQ(ReadFile(Fs(p91)), before);
    dlg.OnCancel();
}

TEST_F(EditTest, UnmodifiedPackageIsNotWrittenAndOkReturnsItsPath) {
    const std::string path = MakePackage("keep", "你好");
    const auto stamp = fs::last_write_time(Fs(path));
    fs::last_write_time(Fs(path), stamp - std::chrono::hours(1));
    const auto old = fs::last_write_time(Fs(path));
    std::optional<std::string> edited;
    {
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            auto& e = dynamic_cast<CMMSEditDlg&>(d);
            e.OnBtnSave();
            d.accept();
            return d.result();
        });
        edited = sendmms::RunMMSEditor(nullptr, path);
    }
    EXPECT_EQ(edited, path);
    EXPECT_EQ(fs::last_write_time(Fs(path)), old);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(fs::is_empty(app.file("MakeTemp")));  // cleared when the editor went

    // A new editor with nothing in it neither saves nor closes.
    Show();
    int result = -1;
    QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
    dlg.OnOK();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(messages, std::vector<std::string>{"新建信息为空，无可保存的内容！"});
    dlg.OnCancel();
}

TEST_F(EditTest, ASingleSoundFrameIsAlwaysWrittenAndKeepsItsPlayTime) {
    WriteFile(app.file("m.mid"), Midi(6));
    const std::string path = app.path() + "\\MMSSink\\我的彩信\\声.qmx";
    {
        CMMSPackage pkg;
        pkg.m_strWorkFolder = app.file("src");
        fs::create_directories(pkg.m_strWorkFolder);
        pkg.SetSound(0, app.file("m.mid"));
        pkg.Frame(0).nPlaySeconds = 7;
        ASSERT_EQ(pkg.Save(path, 1), 1);
    }
    fs::last_write_time(Fs(path), fs::last_write_time(Fs(path)) - std::chrono::hours(1));
    const auto old = fs::last_write_time(Fs(path));
    Show(path);
    dlg.OnBtnSave();
    EXPECT_NE(fs::last_write_time(Fs(path)), old);
    EXPECT_EQ(dlg.Package().m_bModified, 0);
    dlg.OnCancel();
    EXPECT_EQ(ReadBack(path)->Frame(0).nPlaySeconds, 7);
}

TEST_F(EditTest, PlayTimeShowsFiveForZeroAndStaysInRange) {
    const std::string path = MakePackage("t", "x", 0, 0);
    Show(path);
    EXPECT_EQ(dlg.m_editPlayTime->text(), "5");
    dlg.OnBtnTimeDown();
    EXPECT_EQ(dlg.Package().Frame(0).nPlaySeconds, 4);
    EXPECT_EQ(dlg.Package().m_bModified, 1);

    struct Case {
        int stored;
        bool up;
        int expected;
    } cases[] = {{999, true, 999}, {998, true, 999}, {1, false, 1}, {2, false, 1}, {0, true, 6}, {1500, false, 998}};
    for (const Case& c : cases) {
        dlg.Package().Frame(0).nPlaySeconds = c.stored;
        c.up ? dlg.OnBtnTimeUp() : dlg.OnBtnTimeDown();
        EXPECT_EQ(dlg.Package().Frame(0).nPlaySeconds, c.expected) << c.stored;
        EXPECT_EQ(dlg.m_editPlayTime->text().toInt(), c.expected) << c.stored;
    }
    // Typed values are clamped into 1 to 999.
    for (auto [typed, stored] : std::vector<std::pair<const char*, int>>{{"0", 1}, {"", 1}, {"999", 999}, {"42", 42}}) {
        dlg.m_editPlayTime->clear();
        QTest::keyClicks(dlg.m_editPlayTime, typed);
        if (!*typed) dlg.OnChangePlayTime();
        EXPECT_EQ(dlg.Package().Frame(0).nPlaySeconds, stored) << typed;
    }
    dlg.OnCancel();
}

TEST_F(EditTest, StripClicksSelectPages) {
    struct Case {
        int x, y, page;
    } cases[] = {{92, 380, 1}, {28, 380, -1}, {29, 380, 0}, {670, 380, 9}, {672, 380, 9},
                 {673, 380, -1}, {300, 353, -1}, {300, 416, -1}, {300, 415, 4}};
    for (const Case& c : cases) EXPECT_EQ(CMMSEditDlg::StripPageAt(QPoint(c.x, c.y)), c.page) << c.x << "," << c.y;

    Show(MakePackage("s", "页一"));
    // The strip: "FilmBK.bmp" at (28, 353), an empty page cell at (32 + 65 * page, 363).
    const QImage shot = dlg.grab().toImage();
    EXPECT_EQ(shot.pixelColor(30, 355), QColor(36, 36, 40));
    EXPECT_EQ(shot.pixelColor(32 + 65 + 20, 370), QColor(236, 240, 244));
    QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(670, 380));
    EXPECT_EQ(dlg.m_nCurPage, 9);
    EXPECT_EQ(dlg.Package().m_nCurFrame, 9);
    EXPECT_TRUE(dlg.m_btnPages[9]->isChecked());
    EXPECT_FALSE(dlg.m_btnPages[0]->isChecked());
    EXPECT_EQ(Text(dlg.m_lblFrame), "10帧");
    QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(28, 380));
    EXPECT_EQ(dlg.m_nCurPage, 9);
    QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(92, 380));
    EXPECT_EQ(dlg.m_nCurPage, 1);
    dlg.OnCancel();
}

TEST_F(EditTest, SoundLengthsAndSizes) {
    WriteFile(app.file("a.wav"), Wav(Bytes(Tone(2.5))));
    WriteFile(app.file("m.mid"), Midi(6));  // 3 s
    WriteFile(app.file("w.mid"), Wav(Bytes(Tone(1.0))));
    WriteFile(app.file("s.mp3"), std::string(3000, '\x55'));
    struct Case {
        const char* file;
        long long ms;
    } cases[] = {{"a.wav", 2500}, {"m.mid", 3000}, {"w.mid", 20000}, {"s.mp3", 20000}, {"missing.wav", 20000}};
    for (const Case& c : cases) EXPECT_EQ(soundlen::SoundLengthMs(app.file(c.file)), c.ms) << c.file;

    // A WAV chosen as a ringtone is stored as "00.mid", which the MIDI reader cannot read.
    Show();
    for (auto [file, seconds, size] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"s.mp3", "21秒", "4K"}, {"m.mid", "4秒", "1K"}, {"a.wav", "21秒", "41K"}}) {
        files.push_back(app.file(file));
        dlg.OnSoundCommand(CMMSEditDlg::ID_SOUND_RING);
        EXPECT_EQ(Text(dlg.m_lblSoundTime), seconds) << file;
        EXPECT_EQ(Text(dlg.m_lblSound), size) << file;
    }
    EXPECT_EQ(asked.back().title, "选择要设置的彩信声音文件名");
    EXPECT_EQ(asked.back().defaultExt, "mid");
    dlg.OnBtnDeleteSound();
    EXPECT_EQ(Text(dlg.m_lblSoundTime), "0秒");
    EXPECT_EQ(Text(dlg.m_lblSound), "0K");
    EXPECT_EQ(Text(dlg.m_lblTotal), "1K");
    dlg.OnCancel();
}

TEST_F(EditTest, RecordingBecomesTheFramesAmrSound) {
    WriteFile(app.file("in.raw"), Bytes(Tone(3.0)));
    Show();
    dlg.SelectPage(2);
    {
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& rec = dynamic_cast<CVoiceRecordDlg&>(d);
            rec.ShowForHook();
            rec.OnBtnRecord();
            EXPECT_TRUE(WaitUntil([&] { return dev->m_nBytesRead == 48000; }));
            rec.OnBtnStopRecord();
            EXPECT_TRUE(WaitUntil([&] { return !rec.TimerActive(2); }));
            rec.OnOK();
            return rec.result();
        });
        dlg.OnSoundCommand(CMMSEditDlg::ID_SOUND_RECORD);
    }
    const MMSFrame& f = dlg.Package().Frame(2);
    EXPECT_STREQ(f.szSound, "02.amr");
    EXPECT_EQ(ReadFile(app.file("MakeTemp/02.amr")), ReadFile(app.file("CurR.amr")));
    EXPECT_EQ(ReadFile(app.file("MakeTemp/02.amr")).substr(0, 6), "#!AMR\n");
    // Measured through the WAV the preview made beside it.
    EXPECT_EQ(soundlen::SoundLengthMs(app.file("MakeTemp/02.amr")), 3000);
    EXPECT_EQ(Text(dlg.m_lblSoundTime), "4秒");
    EXPECT_EQ(dlg.Package().m_bModified, 1);
    dlg.OnCancel();
    EXPECT_TRUE(fs::is_empty(app.file("MakeTemp")));
}

TEST_F(EditTest, PictureSizeBoundsAndParamFile) {
    g_nMMSImageWidth = 140;
    g_nMMSImageHeight = 200;
    g_bNoImageCompress = 0;
    struct Case {
        const char* w;
        const char* h;
        bool ok;
    } cases[] = {{"60", "400", true}, {"400", "60", true}, {"59", "100", false}, {"100", "401", false},
                 {"-1", "100", false}, {"4294967356", "100", false}, {"abc", "100", false}};
    for (const Case& c : cases) {
        messages.clear();
        CMMSParamDlg d;
        d.ShowForHook();
        d.m_editWidth->setText(c.w);
        d.m_editHeight->setText(c.h);
        int result = -1;
        QObject::connect(&d, &QDialog::finished, [&](int r) { result = r; });
        d.OnOK();
        EXPECT_EQ(result == IDOK, c.ok) << c.w << "x" << c.h;
        EXPECT_EQ(messages.empty(), c.ok) << c.w;
        if (!c.ok) {
            EXPECT_EQ(messages, std::vector<std::string>{"系统规定：图像长宽尺寸设置均应该在60到400之间！"});
            d.OnCancel();
        }
    }

    // The same values: nothing written. Changed ones: the globals and the 12 bytes.
    auto runWith = [&](const char* w, const char* h, bool noCompress) {
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& p = dynamic_cast<CMMSParamDlg&>(d);
            p.ShowForHook();
            EXPECT_EQ(p.m_editWidth->text().toInt(), g_nMMSImageWidth);
            p.m_editWidth->setText(w);
            p.m_editHeight->setText(h);
            p.m_chkNoCompress->setChecked(noCompress);
            p.OnOK();
            return p.result();
        });
        return mmsedit::EditImageParams(nullptr);
    };
    messages.clear();
    EXPECT_FALSE(runWith("140", "200", false));
    EXPECT_FALSE(fs::exists(app.file("MMSParam.dat")));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(runWith("320", "61", true));
    EXPECT_EQ(ReadFile(app.file("MMSParam.dat")), std::string("\x40\x01\0\0\x3d\0\0\0\x01\0\0\0", 12));
    EXPECT_EQ(g_nMMSImageWidth, 320);
    EXPECT_EQ(g_nMMSImageHeight, 61);
    EXPECT_EQ(g_bNoImageCompress, 1);
    EXPECT_EQ(messages, std::vector<std::string>{
                            "图像大小的设置已经修改，新制作的彩信文件将采用新的尺寸进行压缩！\r\n重新启动软件后部分设置才生效！"});
    g_nMMSImageWidth = 140;
    g_nMMSImageHeight = 200;
    g_bNoImageCompress = 0;
}

// The group-and-name dialog answered with a group and a name.
CSkinDialog::ModalRunFn GroupAndName(const std::string& group, const std::string& name, std::string* preset = nullptr) {
    return [=](CSkinDialog& d) {
        auto& g = dynamic_cast<CImportMMSGroupDlg&>(d);
        g.ShowForHook();
        if (preset) *preset = codec::FromQ(g.m_editName->text());
        g.m_cmbGroup->setEditText(codec::ToQ(group));
        g.m_editName->setText(codec::ToQ(name));
        g.OnOK();
        return g.result();
    };
}

TEST_F(EditTest, SaveAsLandsInTheChosenGroup) {
    Show();
    dlg.Package().SetText(0, "新彩信", 1);
    dlg.ShowCurrentFrame();
    {
        ScopedModalRun run(GroupAndName("新组", "甲"));
        int result = -1;
        QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
        dlg.OnOK();  // no path yet: save as, then close
        EXPECT_EQ(result, IDOK);
    }
    const std::string saved = app.path() + "\\MMSSink\\新组\\甲.qmx";
    EXPECT_EQ(dlg.m_strPackagePath, saved);
    ASSERT_TRUE(fs::exists(app.file("MMSSink/新组/甲.qmx")));
    EXPECT_STREQ(ReadBack(saved)->Frame(0).szText, "00.txt");
    EXPECT_EQ(codec::FromGbk(ReadFile(app.file("back/00.txt"))), "新彩信");
    EXPECT_TRUE(fs::is_empty(app.file("MakeTemp")));

    // Cancelled: nothing written, the editor stays.
    Show();
    dlg.Package().SetText(0, "x", 1);
    {
        ScopedModalRun run([](CSkinDialog&) { return IDCANCEL; });
        int result = -1;
        QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
        dlg.OnOK();
        EXPECT_EQ(result, -1);
    }
    EXPECT_TRUE(dlg.Package().m_strPath.empty());
    EXPECT_EQ(Text(dlg.m_lblName), "彩信名称：新建彩信--未命名");
    dlg.OnCancel();
}

TEST_F(EditTest, ImportCopiesByteForByteAndOpens) {
    fs::create_directories(app.file("ext"));
    const std::string made = MakePackage("tmp", "导入的文字");
    fs::rename(Fs(made), app.file("ext/外来.qmx"));
    const std::string source = ReadFile(app.file("ext/外来.qmx"));
    Show();
    std::string preset;
    {
        ScopedModalRun run(GroupAndName("我的彩信", "外来", &preset));
        files.push_back(app.file("ext/外来.qmx"));
        dlg.OnBtnImport();
    }
    EXPECT_EQ(preset, "外来");
    EXPECT_EQ(asked.back().title, "选择要打开的彩信资源文件名");
    EXPECT_EQ(ReadFile(app.file("MMSSink/我的彩信/外来.qmx")), source);
    EXPECT_EQ(Text(dlg.m_lblName), "彩信名称：我的彩信\\外来");
    EXPECT_STREQ(dlg.Package().Frame(0).szText, "00.txt");

    // Onto itself: both questions answered OK, the package stays whole.
    messages.clear();
    {
        ScopedModalRun run(GroupAndName("我的彩信", "外来"));
        files.push_back(app.file("MMSSink/我的彩信/外来.qmx"));
        dlg.OnBtnImport();
    }
    EXPECT_EQ(ReadFile(app.file("MMSSink/我的彩信/外来.qmx")), source);
    EXPECT_EQ(messages.back(), "彩信仓库中已经存在同名彩信！是否覆盖？");

    // A path without a folder part, and a missing source.
    for (const std::string& bad : {std::string("外来.qmx"), app.file("ext/none.qmx")}) {
        messages.clear();
        ScopedModalRun run(GroupAndName("我的彩信", "乙"));
        files.push_back(bad);
        dlg.OnBtnImport();
        EXPECT_EQ(messages, std::vector<std::string>{"选择的彩信资源文件无效！"}) << bad;
        EXPECT_FALSE(fs::exists(app.file("MMSSink/我的彩信/乙.qmx")));
    }
    dlg.OnCancel();
}

TEST_F(EditTest, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    const QColor colours[3] = {QColor(200, 60, 60), QColor(60, 160, 80), QColor(60, 90, 200)};
    CMMSPackage pkg;
    pkg.m_strWorkFolder = app.file("src");
    fs::create_directories(pkg.m_strWorkFolder);
    for (int i = 0; i < 3; ++i) {
        QImage img(120, 90, QImage::Format_RGB32);
        img.fill(colours[i]);
        const std::string pic = app.file("p" + std::to_string(i) + ".png");
        img.save(QString::fromStdString(pic));
        pkg.SetImage(i, pic, 0);
        pkg.SetText(i, "第" + std::to_string(i + 1) + "帧的文字", 0);
    }
    WriteFile(app.file("m.mid"), Midi(6));
    pkg.SetSound(1, app.file("m.mid"));
    const std::string path = app.path() + "\\MMSSink\\我的彩信\\演示.qmx";
    ASSERT_EQ(pkg.Save(path, 1), 1);
    Show(path);
    dlg.show();
    QApplication::processEvents();
    dlg.grab().save(QString(out) + "/dlg309.png");
    dlg.OnCancel();
}

}  // namespace
