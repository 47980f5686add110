#include "platform/SoundPlayer.h"
#include "platform/WaveDevice.h"
#include "support/SoundFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

using namespace soundfix;
using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WaitUntil;
using testsupport::WriteFile;

namespace {

// ---- MIDI lengths ----

struct MidiCase {
    const char* name;
    std::string bytes;
    long long ms;
};

std::vector<MidiCase> MidiCases() {
    // 480 ticks per quarter; 120 bpm (the default tempo) gives 500 ms per quarter.
    const std::string fourQuarters = Note(0, 480) + Note(0, 480) + Note(0, 480) + Note(0, 480) + EndOfTrack(0);
    // Running status: note-ons without repeating the status byte.
    const std::string running = Var(0) + std::string("\x90\x3C\x64", 3) + Var(960) + std::string("\x3C\x00", 2) +
                                Var(960) + std::string("\x3E\x64", 2) + EndOfTrack(0);
    // Format 1: the tempo track doubles the speed after two quarters; the note track lasts four.
    const std::string tempoTrack = Tempo(0, 500000) + Tempo(960, 250000) + EndOfTrack(0);
    const std::string cut = Track(Note(0, 480) + Note(0, 480) + EndOfTrack(0));
    return {
        {"format 0 at the default tempo", Header(0, 1, 480) + Track(fourQuarters), 2000},
        {"format 0 with a slower tempo", Header(0, 1, 480) + Track(Tempo(0, 1000000) + fourQuarters), 4000},
        {"format 1 with a tempo change", Header(1, 2, 480) + Track(tempoTrack) + Track(fourQuarters), 1500},
        {"SMPTE 25 fps, 40 ticks per frame", Header(0, 1, 0xE728) + Track(Note(0, 2500) + EndOfTrack(0)), 2500},
        {"running status", Header(0, 1, 480) + Track(running), 2000},
        {"a cut track counts up to its cut", Header(0, 1, 480) + cut.substr(0, cut.size() - 6), 500},
        {"a sysex event is skipped", Header(0, 1, 480) + Track(Var(0) + "\xF0" + Var(3) + "abc" + fourQuarters), 2000},
        {"not a MIDI file", "RIFF....WAVE", -1},
        {"format 2 is not read", Header(2, 1, 480) + Track(fourQuarters), -1},
        {"a header without tracks", Header(0, 1, 480), -1},
        {"a track length past the end", Header(0, 1, 480) + "MTrk" + Be(0x7FFFFFFF, 4) + Note(0, 480), 500},
    };
}

TEST(MidiLength, TableOfFiles) {
    for (const MidiCase& c : MidiCases()) EXPECT_EQ(sound::MidiLengthMsOfBytes(c.bytes), c.ms) << c.name;
}

TEST(MidiLength, ArbitraryBytesNeverCrash) {
    std::mt19937 rng(7);
    const std::string base = Header(1, 3, 96) + Track(Tempo(0, 400000) + Note(10, 200) + EndOfTrack(0));
    for (int i = 0; i < 2000; ++i) {
        std::string b = base;
        for (int k = 0; k < 4; ++k) b[rng() % b.size()] = static_cast<char>(rng());
        b.resize(rng() % (b.size() + 1));
        const long long ms = sound::MidiLengthMsOfBytes(b);
        EXPECT_GE(ms, -1);
    }
}

TEST(WavLength, FromTheFile) {
    TempAppDir dir;
    WriteFile(dir.file("a.wav"), Wav(Bytes(Tone(2.5))));
    EXPECT_EQ(sound::WavLengthMs(dir.file("a.wav")), 2500);
    WriteFile(dir.file("b.wav"), "not a wave");
    EXPECT_EQ(sound::WavLengthMs(dir.file("b.wav")), -1);
}

// ---- ALSA through its own null and file plugins ----

std::string AlsaConfig(const std::string& dir) {
    return "pcm.nulldev { type null }\n"
           "pcm.tofile { type file slave.pcm nulldev file \"" + dir + "/out.raw\" format raw }\n"
           "pcm.fromfile { type file slave.pcm nulldev file \"" + dir + "/unused.raw\" infile \"" + dir +
           "/in.raw\" format raw }\n"
           "pcm.nocard { type hw card 9 }\n";
}

TEST(AlsaDevice, PlaybackReachesTheFilePlugin) {
    TempAppDir dir;
    auto dev = wave::MakeAlsaDevice("tofile", AlsaConfig(dir.path()));
    wave::WaveError err;
    auto out = dev->OpenOutput(wave::PcmFormat{}, err);
    ASSERT_TRUE(out) << err.text;
    const std::string pcm = Bytes(Tone(0.5));
    EXPECT_TRUE(out->Write(pcm.data(), pcm.size()));
    out->Drain();
    out.reset();
    EXPECT_EQ(ReadFile(dir.file("out.raw")), pcm);
}

TEST(AlsaDevice, CaptureReadsTheFilePluginsInput) {
    TempAppDir dir;
    const std::string pcm = Bytes(Tone(0.5, 300));
    WriteFile(dir.file("in.raw"), pcm);
    auto dev = wave::MakeAlsaDevice("fromfile", AlsaConfig(dir.path()));
    wave::WaveError err;
    auto in = dev->OpenInput(wave::PcmFormat{}, err);
    ASSERT_TRUE(in) << err.text;
    std::string got;
    char buf[4000];
    while (got.size() < pcm.size()) {
        const long n = in->Read(buf, sizeof buf);
        ASSERT_GT(n, 0);
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got.substr(0, pcm.size()), pcm);
}

TEST(AlsaDeviceThreads, AbortEndsAWriterLoop) {
    TempAppDir dir;
    // The null device takes data as fast as it comes; an abort from another thread ends the
    // writer's loop and every later write.
    auto dev = wave::MakeAlsaDevice("nulldev", AlsaConfig(dir.path()));
    wave::WaveError err;
    auto out = dev->OpenOutput(wave::PcmFormat{}, err);
    ASSERT_TRUE(out) << err.text;
    std::atomic<bool> done{false};
    std::thread t([&] {
        const std::string pcm = Bytes(Tone(30));
        while (out->Write(pcm.data(), pcm.size())) {
        }
        done = true;
    });
    out->Abort();
    t.join();
    EXPECT_TRUE(done);
    EXPECT_FALSE(out->Write("\0\0", 2));
}

TEST(AlsaDevice, NoSoundCardFailsWithAClearMessage) {
    TempAppDir dir;
    for (const char* name : {"nocard", "undefined"}) {
        auto dev = wave::MakeAlsaDevice(name, AlsaConfig(dir.path()));
        wave::WaveError err;
        EXPECT_FALSE(dev->OpenOutput(wave::PcmFormat{}, err)) << name;
        EXPECT_NE(err.code, wave::kNoError) << name;
        EXPECT_NE(err.text.find(name), std::string::npos) << err.text;
        wave::WaveError err2;
        EXPECT_FALSE(dev->OpenInput(wave::PcmFormat{}, err2)) << name;
    }
    auto dev = wave::MakeAlsaDevice("nocard", AlsaConfig(dir.path()));
    wave::WaveError err;
    dev->OpenOutput(wave::PcmFormat{}, err);
    EXPECT_EQ(err.code, wave::kBadDevice) << err.text;
    EXPECT_EQ(err.text.rfind("no sound device", 0), 0u) << err.text;
}

TEST(AlsaDevice, AFormatItCannotTakeIsRefused) {
    TempAppDir dir;
    auto dev = wave::MakeAlsaDevice("nulldev", AlsaConfig(dir.path()));
    wave::WaveError err;
    wave::PcmFormat fmt;
    fmt.bits = 12;
    EXPECT_FALSE(dev->OpenOutput(fmt, err));
    EXPECT_EQ(err.code, wave::kBadFormat);
}

// ---- players over the file-backed device (their threads also run under ThreadSanitizer) ----

class SoundPlayerThreads : public ::testing::Test {
protected:
    TempAppDir dir;
    std::shared_ptr<wave::FileWaveDevice> dev =
        std::make_shared<wave::FileWaveDevice>(dir.file("in.raw"), dir.file("out.raw"));
    wave::ScopedWaveDevice scoped{dev};
};

TEST_F(SoundPlayerThreads, WavPlaysWholeAndGivesUpWhenTheOutputIsBusy) {
    const std::string pcm = Bytes(Tone(1.0));
    WriteFile(dir.file("a.wav"), Wav(pcm));
    sound::CWavPlayer player;
    ASSERT_TRUE(player.PlayAsync(dir.file("a.wav"))) << player.LastError();
    ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }));
    player.Stop();
    EXPECT_EQ(ReadFile(dir.file("out.raw")), pcm);

    // Another user holds the output: the player gives up at once.
    wave::WaveError err;
    auto other = dev->OpenOutput(wave::PcmFormat{}, err);
    ASSERT_TRUE(other);
    EXPECT_FALSE(player.PlayAsync(dir.file("a.wav")));
    EXPECT_NE(player.LastError().find("in use"), std::string::npos);
    EXPECT_FALSE(player.PlayAsync(dir.file("missing.wav")));
}

TEST_F(SoundPlayerThreads, WavStopEndsARealTimePlay) {
    dev->SetRealTime(true);
    WriteFile(dir.file("a.wav"), Wav(Bytes(Tone(20.0))));
    sound::CWavPlayer player;
    ASSERT_TRUE(player.PlayAsync(dir.file("a.wav")));
    ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesPlayed > 0; }));
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_LT(dev->m_nBytesPlayed, 20 * 16000);
    EXPECT_EQ(dev->m_nOpenOutputs, 0);
}

TEST_F(SoundPlayerThreads, MidiRendersNonSilentSamples) {
    WriteFile(dir.file("a.mid"), Header(0, 1, 480) + Track(Note(0, 480) + Note(0, 480, 64) + EndOfTrack(0)));
    WriteFile(dir.file("b.mid"), "not midi");
    sound::CMidiPlayer midi;
    EXPECT_FALSE(midi.Open(dir.file("b.mid")));
    EXPECT_FALSE(midi.Play());
    ASSERT_TRUE(midi.Open(dir.file("a.mid")));
    ASSERT_TRUE(midi.Play()) << midi.LastError();
    ASSERT_TRUE(WaitUntil([&] { return !midi.IsPlaying(); }, 30000));
    midi.Close();
    const std::string out = ReadFile(dir.file("out.raw"));
    // One second of stereo at 22050 Hz, at least.
    EXPECT_GE(out.size(), 22050u * 4);
    EXPECT_TRUE(AnyNonZero(out));
    EXPECT_EQ(dev->LastOutputFormat().channels, 2u);
}

}  // namespace
