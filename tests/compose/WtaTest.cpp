// The converter "wta" as the program runs it: real files, real exit codes.
#include "support/SoundFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <random>

using namespace soundfix;
using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

struct WtaRun {
    int exit;
    std::string err;
};

WtaRun Wta(const QStringList& args) {
    QProcess p;
    p.start(QString(SMS_APP_DIR) + "/wta", args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardError().toStdString()};
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(Wta, ToneRoundTrip) {
    TempAppDir dir;
    const std::vector<std::int16_t> tone = Tone(3.0);
    WriteFile(dir.file("a.wav"), Wav(Bytes(tone)));
    ASSERT_EQ(Wta({"wav2amr", Q(dir.file("a.wav")), Q(dir.file("a.amr")), "MR102"}).exit, 0);
    const std::string amr = ReadFile(dir.file("a.amr"));
    ASSERT_EQ(amr.substr(0, 6), "#!AMR\n");
    ASSERT_EQ(amr.size(), 6u + 150 * 27);  // 150 frames of 20 ms at 10.2 kbit/s
    for (std::size_t i = 6; i < amr.size(); i += 27) EXPECT_EQ((static_cast<unsigned char>(amr[i]) >> 3) & 15, 6);

    ASSERT_EQ(Wta({"amr2wav", Q(dir.file("a.amr")), Q(dir.file("b.wav")), "MR102"}).exit, 0);
    const std::string wav = ReadFile(dir.file("b.wav"));
    ASSERT_EQ(wav.size(), 44u + 48000);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(22, 2), std::string("\x01\x00", 2));              // mono
    EXPECT_EQ(wav.substr(24, 4), std::string("\x40\x1f\x00\x00", 4));      // 8000 Hz
    EXPECT_EQ(wav.substr(34, 2), std::string("\x10\x00", 2));              // 16 bit
    EXPECT_GT(Correlation(tone, Samples(wav.substr(44))), 0.8);
    EXPECT_TRUE(fs::directory_iterator(dir.path()) != fs::directory_iterator());
    for (const auto& e : fs::directory_iterator(dir.path()))  // no temporaries left beside
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos);
}

TEST(Wta, AcceptsTheRecordersJoinedFile) {
    // "CurR.dat": the first 40 bytes of "wh.dat", then the recording's data size and samples.
    TempAppDir dir;
    const std::string head = ReadFile(std::string(SMS_APP_DIR) + "/wh.dat");
    ASSERT_GE(head.size(), 40u);
    EXPECT_EQ(head.substr(36, 4), "data");
    const std::string rec = Wav(Bytes(Tone(1.0)));
    WriteFile(dir.file("CurR.dat"), head.substr(0, 40) + rec.substr(40));
    ASSERT_EQ(Wta({"wav2amr", Q(dir.file("CurR.dat")), Q(dir.file("CurR.amr")), "MR102"}).exit, 0);
    EXPECT_EQ(ReadFile(dir.file("CurR.amr")).size(), 6u + 50 * 27);
}

TEST(Wta, BadInputFailsWithoutOutput) {
    TempAppDir dir;
    std::mt19937 rng(3);
    std::string noise(5000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    const std::string amr = [&] {
        WriteFile(dir.file("t.wav"), Wav(Bytes(Tone(0.2))));
        Wta({"wav2amr", Q(dir.file("t.wav")), Q(dir.file("t.amr"))});
        return ReadFile(dir.file("t.amr"));
    }();
    ASSERT_EQ(amr.size(), 6u + 10 * 27);
    struct Case {
        const char* name;
        const char* cmd;
        std::string input;
    } cases[] = {
        {"text as WAV", "wav2amr", "hello, this is not a wave file"},
        {"44.1 kHz stereo", "wav2amr", Wav(std::string(44100 * 4, '\x01'), 44100, 2)},
        {"8-bit WAV", "wav2amr", Wav(std::string(8000, '\x80'), 8000, 1, 8)},
        {"arbitrary bytes as WAV", "wav2amr", noise},
        {"a cut AMR", "amr2wav", amr.substr(0, amr.size() - 5)},
        {"no AMR header", "amr2wav", amr.substr(6)},
        {"arbitrary bytes as AMR", "amr2wav", "#!AMR\n" + noise},
    };
    for (const Case& c : cases) {
        WriteFile(dir.file("in"), c.input);
        const WtaRun r = Wta({c.cmd, Q(dir.file("in")), Q(dir.file("out")), "MR102"});
        EXPECT_NE(r.exit, 0) << c.name;
        EXPECT_FALSE(r.err.empty()) << c.name;
        EXPECT_FALSE(fs::exists(dir.file("out"))) << c.name;
    }
    EXPECT_NE(Wta({"wav2amr", Q(dir.file("missing.wav")), Q(dir.file("out"))}).exit, 0);
    EXPECT_NE(Wta({"mp3", Q(dir.file("t.wav")), Q(dir.file("out"))}).exit, 0);
    EXPECT_NE(Wta({"wav2amr", Q(dir.file("t.wav")), Q(dir.file("out")), "MR999"}).exit, 0);
    EXPECT_NE(Wta({"wav2amr"}).exit, 0);
    EXPECT_FALSE(fs::exists(dir.file("out")));
}

}  // namespace
