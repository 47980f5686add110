#include "compose/MMSPackage.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <filesystem>
#include <random>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

std::string Gbk(const std::string& utf8) { return codec::ToGbk(utf8); }

std::string Entry(const std::string& name, const std::string& data) {
    std::string e(8, '\0');
    const std::uint32_t n = static_cast<std::uint32_t>(name.size()), d = static_cast<std::uint32_t>(data.size());
    std::memcpy(e.data(), &n, 4);
    std::memcpy(e.data() + 4, &d, 4);
    return e + name + data;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        work = app.file("work");
        src = app.file("src");
        fs::create_directories(work);
        fs::create_directories(src);
        pkg.m_strWorkFolder = work;
        pkg.New();
    }
    std::string Src(const std::string& name, const std::string& data) {
        WriteFile(src + "/" + name, data);
        return src + "/" + name;
    }
    std::string Picture(const std::string& name, int w, int h, const char* format) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(QColor(200, 30, 60));
        const std::string p = src + "/" + name;
        EXPECT_TRUE(img.save(QString::fromStdString(p), format));
        return p;
    }
    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(work)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    TempAppDir app;
    std::string work, src;
    CMMSPackage pkg;
};

TEST_F(PackageTest, GoldenIniAndPackageBytes) {
    pkg.SetText(0, "你好", 0);
    EXPECT_EQ(pkg.SetSound(0, Src("a.amr", "AMR\r\n\x01")), work + "/00.amr");
    ASSERT_EQ(pkg.SetImage(0, Src("p.gif", "GIF89a-bytes"), 0), 1);
    pkg.SetText(1, "x", 0);
    pkg.Frame(1).nPlaySeconds = 8;
    const std::string out = app.file("Midi.QMX");
    ASSERT_EQ(pkg.Save(out, 0), 1);
    EXPECT_EQ(pkg.m_bModified, 0);

    const std::string ini = Gbk("[播放时间]=5\r\n00.txt\r\n00.amr\r\n00.gif\r\n\r\n[播放时间]=8\r\n01.txt\r\n");
    EXPECT_EQ(ReadFile(work + "/QMX.ini"), ini);
    // Written at the path as given, not lower-cased.
    const std::string expected = Entry("QMX.ini", ini) + Entry("00.txt", Gbk("你好")) +
                                 Entry("00.amr", "AMR\r\n\x01") + Entry("00.gif", "GIF89a-bytes") +
                                 Entry("01.txt", "x");
    EXPECT_EQ(ReadFile(out), expected);

    CMMSPackage back;
    back.m_strWorkFolder = app.file("back");
    fs::create_directories(back.m_strWorkFolder);
    back.New();
    EXPECT_EQ(back.Open(out), 1);
    EXPECT_STREQ(back.Frame(0).szText, "00.txt");
    EXPECT_STREQ(back.Frame(0).szSound, "00.amr");
    EXPECT_STREQ(back.Frame(0).szImage, "00.gif");
    EXPECT_EQ(back.Frame(1).nPlaySeconds, 8);
    EXPECT_EQ(back.m_nLastFrame, 1);
    EXPECT_EQ(back.m_nFileSize, static_cast<int>(expected.size()));
    EXPECT_EQ(ReadFile(back.m_strWorkFolder + "/00.amr"), "AMR\r\n\x01");
}

// Saves frames as given and reads the package back into the same object.
TEST_F(PackageTest, LoadCases) {
    struct Case {
        const char* what;
        std::string ini;
        int autoTurn;
        std::vector<int> seconds;
        std::vector<std::string> texts;
    };
    const std::vector<Case> cases = {
        {"frames renumbered", "[播放时间]=5\r\n00.txt\r\n\r\n[播放时间]=7\r\n02.txt\r\n02.jpg\r\n", 1, {5, 7}, {"00.txt", "02.txt"}},
        {"page turn off", "[播放时间]=1000\r\n00.txt\r\n\r\n[播放时间]=1000\r\n01.txt\r\n", 0, {8, 8}, {"00.txt", "01.txt"}},
        {"later frames after 1000", "[播放时间]=3\r\n00.txt\r\n\r\n[播放时间]=1000\r\n01.txt\r\n\r\n[播放时间]=4\r\n02.txt\r\n", 0, {3, 8, 8}, {"00.txt", "01.txt", "02.txt"}},
        {"no time line", "05.txt\r\n", 1, {8}, {"05.txt"}},
        {"no digits", "[播放时间]=x\r\n00.txt\r\n", 1, {0}, {"00.txt"}},
        {"upper-case name kept", "[播放时间]=5\r\nAB.TXT\r\n", 1, {5}, {"AB.TXT"}},
        {"bad names ignored", "[播放时间]=5\r\n../00.txt\r\na/b.txt\r\n0123456789012345678901234567890123456.txt\r\n", 1, {5}, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = app.file("case.qmx");
        WriteFile(path, Entry("QMX.ini", Gbk(c.ini)));
        ASSERT_EQ(pkg.Open(path), 1);
        EXPECT_EQ(pkg.m_bAutoPageTurn, c.autoTurn);
        EXPECT_EQ(pkg.m_nLastFrame, static_cast<int>(c.seconds.size()) - 1);
        for (std::size_t k = 0; k < c.seconds.size(); ++k) {
            EXPECT_EQ(pkg.Frame(static_cast<int>(k)).nPlaySeconds, c.seconds[k]);
            EXPECT_EQ(std::string(pkg.Frame(static_cast<int>(k)).szText), c.texts[k]);
        }
        EXPECT_STREQ(pkg.Frame(static_cast<int>(c.seconds.size())).szText, "");
    }
}

TEST_F(PackageTest, SaveAndOpenEdges) {
    // All empty, empty path, a missing file at save, an unwritable target.
    EXPECT_EQ(pkg.Save(app.file("e.qmx"), 0), 0);
    EXPECT_FALSE(fs::exists(app.file("e.qmx")));
    pkg.SetText(0, "t", 0);
    pkg.m_strPath = app.file("old.qmx");
    EXPECT_EQ(pkg.Save("", 0), 0);
    std::strcpy(pkg.Frame(0).szImage, "00.jpg");  // listed, no file
    EXPECT_EQ(pkg.Save(app.file("nofile/x.qmx"), 0), 0);
    EXPECT_EQ(pkg.m_bModified, 1);
    ASSERT_EQ(pkg.Save(app.file("m.qmx"), 0), 1);
    const std::string bytes = ReadFile(app.file("m.qmx"));
    // Listed in QMX.ini, no entry of its own.
    const std::size_t first = bytes.find("00.jpg");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(bytes.find("00.jpg", first + 1), std::string::npos);
    ASSERT_EQ(pkg.Open(app.file("m.qmx")), 1);
    EXPECT_STREQ(pkg.Frame(0).szImage, "00.jpg");
    EXPECT_FALSE(fs::exists(work + "/00.jpg"));
    // A file that is gone leaves an empty package and a cleared folder.
    WriteFile(work + "/stale.txt", "s");
    EXPECT_EQ(pkg.Open(app.file("gone.qmx")), 1);
    EXPECT_STREQ(pkg.Frame(0).szText, "");
    EXPECT_TRUE(WorkFiles().empty());
    EXPECT_EQ(pkg.Open(""), 0);
}

TEST_F(PackageTest, PicturesSoundsAndApps) {
    struct Pic {
        int w, h;
        const char* ext;
        const char* format;
        int ow, oh;
    };
    const Pic pics[] = {{300, 100, "png", "PNG", 140, 46}, {100, 400, "bmp", "BMP", 50, 200},
                        {100, 100, "png", "PNG", 100, 100}, {10000, 10, "png", "PNG", 140, 1}};
    int frame = 0;
    for (const Pic& p : pics) {
        SCOPED_TRACE(std::to_string(p.w) + "x" + std::to_string(p.h));
        ASSERT_EQ(pkg.SetImage(frame, Picture("p." + std::string(p.ext), p.w, p.h, p.format), 0), 1);
        char name[8];
        std::snprintf(name, sizeof name, "%02d.jpg", frame);
        EXPECT_STREQ(pkg.Frame(frame).szImage, name);
        QImageReader r(QString::fromStdString(work + "/" + name));
        EXPECT_EQ(r.format(), "jpeg");
        EXPECT_EQ(r.size(), QSize(p.ow, p.oh));
        ++frame;
    }
    // A format Qt cannot read, a broken picture, a missing file: frame unchanged.
    WriteFile(src + "/x.pcx", "PCX");
    EXPECT_EQ(pkg.SetImage(5, src + "/x.pcx", 0), 0);
    EXPECT_EQ(pkg.SetImage(5, Src("bad.png", "not a png"), 0), 0);
    EXPECT_EQ(pkg.SetImage(5, src + "/none.png", 0), 0);
    EXPECT_STREQ(pkg.Frame(5).szImage, "");
    // Unknown extension: Qt detects the format.
    Picture("real.png", 20, 20, "PNG");
    fs::rename(src + "/real.png", src + "/real.dat");
    EXPECT_EQ(pkg.SetImage(5, src + "/real.dat", 0), 1);

    EXPECT_EQ(pkg.SetSound(6, Src("v.wav", "RIFF")), work + "/06.mid");
    EXPECT_EQ(pkg.SetSound(6, src + "/missing.mp3"), "");
    EXPECT_STREQ(pkg.Frame(6).szSound, "06.mid");
    EXPECT_EQ(pkg.SetApp(7, Src("g.zip", "PK")), 1);
    EXPECT_STREQ(pkg.Frame(7).szApp, "07.sis");
    EXPECT_EQ(pkg.SetApp(8, Src("g.JAR", "PK")), 1);
    EXPECT_STREQ(pkg.Frame(8).szApp, "08.jar");
    EXPECT_EQ(pkg.SetVideo(9, Src("m.mp4", "V")), 1);
    EXPECT_STREQ(pkg.Frame(9).szVideo, "09.3gp");
    EXPECT_EQ(pkg.SetApp(9, ""), 0);
}

TEST_F(PackageTest, GifFallbackWriterReadsBack) {
    QImage img(33, 17, QImage::Format_RGB32);
    img.fill(QColor(0, 0, 255));
    img.setPixel(3, 4, qRgb(255, 0, 0));
    const std::string p = work + "/f.gif";
    ASSERT_TRUE(mmspkg::WriteGif(img, p));
    QImage back(QString::fromStdString(p), "gif");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(33, 17));
    EXPECT_EQ(back.pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_EQ(back.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_FALSE(mmspkg::WriteGif(img, work + "/no/f.gif"));
}

TEST_F(PackageTest, NamesAfterLoadDoNotFollowIndexes) {
    // Frames 1 and 3 load as 0 and 1 holding 01.* and 03.*.
    pkg.SetText(1, "one", 0);
    pkg.SetText(3, "three", 0);
    ASSERT_EQ(pkg.Save(app.file("n.qmx"), 0), 1);
    ASSERT_EQ(pkg.Open(app.file("n.qmx")), 1);
    EXPECT_STREQ(pkg.Frame(0).szText, "01.txt");
    EXPECT_STREQ(pkg.Frame(1).szText, "03.txt");
    // Frame 1's own index name is frame 0's file: it takes the first free one of 20-99.
    pkg.SetText(1, "new", 0);
    EXPECT_STREQ(pkg.Frame(1).szText, "20.txt");
    EXPECT_EQ(ReadFile(work + "/01.txt"), "one");
    // Deleting frame 0's text removes the file it names, not "00.txt" of the index.
    WriteFile(work + "/00.txt", "keep");
    pkg.DeleteText(0);
    EXPECT_FALSE(fs::exists(work + "/01.txt"));
    EXPECT_TRUE(fs::exists(work + "/00.txt"));
    // A name two frames share stays while one still holds it.
    std::strcpy(pkg.Frame(2).szText, "20.txt");
    pkg.DeleteText(1);
    EXPECT_TRUE(fs::exists(work + "/20.txt"));
    pkg.SetText(2, "", 0);
    EXPECT_FALSE(fs::exists(work + "/20.txt"));
}

TEST_F(PackageTest, ClearFolderRemovesPlainFilesOnly) {
    WriteFile(work + "/a.txt", "a");
    fs::create_directories(work + "/sub");
    WriteFile(work + "/sub/b.txt", "b");
    WriteFile(app.file("outside.txt"), "o");
    fs::create_symlink(app.file("outside.txt"), work + "/link.txt");
    pkg.ClearFolder();
    EXPECT_EQ(WorkFiles(), std::vector<std::string>{"sub"});
    EXPECT_TRUE(fs::exists(work + "/sub/b.txt"));
    EXPECT_EQ(ReadFile(app.file("outside.txt")), "o");
}

// Crafted and random package files never write outside the work folder, crash or hang.
TEST_F(PackageTest, ReaderStaysInsideWorkFolder) {
    std::string ini = "[播放时间]=5\r\n00.txt\r\n";
    for (int i = 0; i < 30; ++i) ini += "\r\n[播放时间]=5\r\n00.txt\r\n";
    const std::string crafted = Entry("QMX.ini", Gbk(ini)) + Entry("../up.txt", "x") + Entry("a/b.txt", "x") +
                                Entry("a\\b.txt", "x") + Entry("", "x") + Entry(std::string("n\0ul", 4), "x") +
                                Entry("..", "x") + Entry("ok.txt", "fine") + Entry("late.txt", std::string(10, 'z')).substr(0, 20);
    const std::string path = app.file("c.qmx");
    WriteFile(path, crafted);
    ASSERT_EQ(pkg.Open(path), 1);
    EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"QMX.ini", "ok.txt"}));
    EXPECT_EQ(pkg.m_nLastFrame, mmspkg::kFrameCount - 1);
    std::vector<std::string> top;
    for (const auto& e : fs::directory_iterator(app.path())) top.push_back(e.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"c.qmx", "src", "work"}));

    std::mt19937 rng(16);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int parts = static_cast<int>(rng() % 6);
        for (int p = 0; p < parts; ++p) {
            std::string name(rng() % 12, '\0');
            for (char& c : name) c = static_cast<char>(rng() % 3 == 0 ? "./\\\0"[rng() % 4] : 'a' + rng() % 26);
            std::string data(rng() % 64, '\0');
            for (char& c : data) c = static_cast<char>(rng());
            if (p == 0) {
                name = "QMX.ini";
                data = Gbk("[播放时间]=") + data;
            }
            bytes += Entry(name, data);
        }
        for (int j = static_cast<int>(rng() % 16); j > 0; --j) bytes += static_cast<char>(rng());
        WriteFile(path, bytes);
        pkg.Open(path);
        for (int f = 0; f < mmspkg::kFrameCount; ++f) {
            const char* names[5];
            mmspkg::FrameNames(pkg.Frame(f), names);
            for (const char* n : names) EXPECT_TRUE(!*n || mmspkg::IsPlainName(n)) << n;
        }
    }
    top.clear();
    for (const auto& e : fs::directory_iterator(app.path())) top.push_back(e.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"c.qmx", "src", "work"}));
    for (const auto& e : fs::directory_iterator(work)) EXPECT_TRUE(e.is_regular_file()) << e.path();
}

}  // namespace
