#include "compose/SoundOut.h"
#include "compose/VoiceRecordDlg.h"
#include "compose/VoiceRecorder.h"
#include "compose/WaveFile.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/SoundFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <atomic>
#include <cstring>
#include <filesystem>

using namespace soundfix;
using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WaitUntil;
using testsupport::WriteFile;
namespace fs = std::filesystem;

namespace {

// ---- wave files ----

TEST(WaveFile, WritesTheRiffLayoutByteForByte) {
    TempAppDir dir;
    {
        CWaveFormat fmt;
        CWaveFile f(dir.file("t.wd"), fmt);
        ASSERT_TRUE(f.IsValid());
        char samples[6] = {1, 2, 3, 4, 5, 6};
        CMemBlock block(samples, sizeof samples);
        EXPECT_TRUE(f.Write(block));
    }
    std::string want = "RIFF";
    Le(want, 4 + 8 + 18 + 8 + 6, 4);
    want += "WAVEfmt ";
    Le(want, 18, 4);
    Le(want, 1, 2);
    Le(want, 1, 2);
    Le(want, 8000, 4);
    Le(want, 16000, 4);
    Le(want, 2, 2);
    Le(want, 16, 2);
    Le(want, 0, 2);
    want += "data";
    Le(want, 6, 4);
    want += std::string("\x01\x02\x03\x04\x05\x06", 6);
    EXPECT_EQ(ReadFile(dir.file("t.wd")), want);
    EXPECT_EQ(want.size(), 46u + 6);

    CWaveFile r(dir.file("t.wd"));
    ASSERT_TRUE(r.IsValid());
    EXPECT_EQ(r.GetFormat().m_wfx.nSamplesPerSec, 8000u);
    char buf[4];
    CMemBlock b(buf, sizeof buf);
    EXPECT_TRUE(r.Read(b));
    EXPECT_EQ(b.GetSize(), 4u);
    b.SetSize(4);
    EXPECT_TRUE(r.Read(b));
    EXPECT_EQ(b.GetSize(), 2u);
    b.SetSize(4);
    EXPECT_FALSE(r.Read(b));
}

TEST(WaveFile, FormatRulesAndBlocks) {
    CWaveFormat f;
    f.SetBits(8);
    f.SetChannels(2);
    f.SetRate(11025);
    EXPECT_EQ(f.m_wfx.nAvgBytesPerSec, 11025u);  // bits / 8 x rate, as the format class computes it
    EXPECT_EQ(f.m_wfx.nBlockAlign, 2);
    CMemBlock none(nullptr, 100);
    EXPECT_EQ(none.GetSize(), 0u);
    CMemBlock owned(64, true);
    EXPECT_EQ(owned.GetSize(), 64u);
    EXPECT_TRUE(owned.IsOwned());
}

TEST(WaveFile, TheFourOpenFailuresAreShown) {
    TempAppDir dir;
    std::vector<std::string> shown;
    seam::ScopedStandardBox box([&](const std::string& t) { shown.push_back(t); });
    const std::string fmt = [] {
        std::string s = "fmt ";
        Le(s, 16, 4);
        return s + std::string(Wav("").substr(20, 16));
    }();
    struct Case {
        const char* name;
        std::string bytes;
        const char* text;
    } cases[] = {
        {"not RIFF", "JUNKJUNKJUNK", "Error descending into file"},
        {"no fmt chunk", "RIFF" + std::string(4, '\0') + "WAVE" + "LIST" + Be(0, 4), "Error descending in wave file"},
        {"fmt past the end", "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string("\x40\x00\x00\x00", 4) +
                                 fmt.substr(8),
         "Error ascending in File"},
        {"no data chunk", "RIFF" + std::string(4, '\0') + "WAVE" + fmt, "error reading data chunk"},
    };
    for (const Case& c : cases) {
        shown.clear();
        WriteFile(dir.file("bad.wd"), c.bytes);
        CWaveFile f(dir.file("bad.wd"));
        EXPECT_FALSE(f.IsValid()) << c.name;
        EXPECT_EQ(shown, std::vector<std::string>{c.text}) << c.name;
    }
}

// ---- the recorder dialog on the file-backed device ----

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir.file("in.raw"), Bytes(Tone(3.0)));
        fs::copy_file(std::string(SMS_APP_DIR) + "/wh.dat", dir.file("wh.dat"));
        fs::copy_file(std::string(SMS_APP_DIR) + "/wta", dir.file("wta"));
        dlg.ShowForHook();
    }
    void TearDown() override { dlg.OnCancel(); }
    std::string Label(QLabel* l) const { return codec::FromQ(l->text()); }
    // Records the whole input (3 s) and stops.
    void RecordAll() {
        dlg.OnBtnRecord();
        ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesRead == 48000; }));
        dlg.OnBtnStopRecord();
        ASSERT_TRUE(WaitUntil([&] { return !dlg.TimerActive(2); }));
    }

    TempAppDir dir;
    std::shared_ptr<wave::FileWaveDevice> dev =
        std::make_shared<wave::FileWaveDevice>(dir.file("in.raw"), dir.file("out.raw"));
    wave::ScopedWaveDevice scoped{dev};
    std::vector<std::string> boxes, messages;
    seam::ScopedStandardBox box{[this](const std::string& t) { boxes.push_back(t); }};
    seam::ScopedMessageBox msg{[this](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    }};
    CVoiceRecordDlg dlg;
};

TEST_F(RecorderTest, RecordsPlaysAndHandsOnAmr) {
    EXPECT_FALSE(dlg.m_btnPlay->isEnabled());
    EXPECT_FALSE(dlg.m_btnOK->isEnabled());
    RecordAll();
    EXPECT_EQ(fs::file_size(dir.file("Temp.wd")), 46u + 48000);
    EXPECT_EQ(dlg.m_nLength, 3);
    EXPECT_EQ(Label(dlg.m_lblLength), "当前声音长度：3秒。");
    EXPECT_TRUE(dlg.m_btnPlay->isEnabled());
    EXPECT_TRUE(dlg.m_btnOK->isEnabled());
    EXPECT_TRUE(dlg.m_btnSaveAs->isEnabled());
    EXPECT_TRUE(dlg.m_btnRecord->isEnabled());

    // Played to its end: the end notice comes back queued and the buttons return.
    dlg.OnBtnPlay();
    EXPECT_FALSE(dlg.m_lblSecond->isHidden());
    EXPECT_TRUE(dlg.m_btnStopPlay->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_lblSecond->isHidden(); }));
    EXPECT_TRUE(dlg.m_btnPlay->isEnabled());
    EXPECT_FALSE(dlg.m_btnStopPlay->isEnabled());
    EXPECT_EQ(ReadFile(dir.file("out.raw")), Bytes(Tone(3.0)));
    EXPECT_FALSE(g_VoiceRecorder.m_pFile);  // closed by the UI thread after the notice

    // An old "CurR.amr" never stands in for this recording.
    WriteFile(dir.file("CurR.amr"), "#!AMR\nold");
    int result = -1;
    QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
    dlg.OnOK();
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(fs::exists(dir.file("Temp.wd")));
    EXPECT_EQ(fs::file_size(dir.file("CurR.dat")), 40u + (46 + 48000 - 42));
    EXPECT_EQ(ReadFile(dir.file("CurR.dat")).substr(0, 40), ReadFile(dir.file("wh.dat")).substr(0, 40));
    EXPECT_EQ(ReadFile(dir.file("CurR.amr")).size(), 6u + 150 * 27);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RecorderTest, SixtyTicksStopByThemselves) {
    dlg.OnBtnRecord();
    for (int i = 0; i < 59; ++i) dlg.OnTimer(1);
    EXPECT_EQ(Label(dlg.m_lblLength), "当前声音长度：59秒。");
    EXPECT_FALSE(dlg.TimerActive(2));
    dlg.OnTimer(1);
    EXPECT_EQ(Label(dlg.m_lblLength), "处理中，请稍候……");
    EXPECT_TRUE(dlg.TimerActive(2));
    EXPECT_FALSE(dlg.TimerActive(1));
    EXPECT_FALSE(dlg.m_btnStopRecord->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesRead == 48000; }));
    dlg.OnTimer(2);
    EXPECT_EQ(dlg.m_nLength, 3);  // the length comes from the file, not the ticks
}

TEST_F(RecorderTest, AShortRecordingHasNoLength) {
    WriteFile(dir.file("in.raw"), Bytes(Tone(0.9)));
    dlg.OnBtnRecord();
    ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesRead == 14400; }));
    dlg.OnBtnStopRecord();
    dlg.OnTimer(2);
    EXPECT_LT(fs::file_size(dir.file("Temp.wd")), 16000u);
    EXPECT_EQ(dlg.m_nLength, 0);
    EXPECT_EQ(Label(dlg.m_lblLength), "当前声音长度：0秒。");
    EXPECT_FALSE(dlg.m_btnPlay->isEnabled());
    EXPECT_FALSE(dlg.m_btnOK->isEnabled());
    EXPECT_FALSE(dlg.m_btnSaveAs->isEnabled());
    dlg.OnOK();
    EXPECT_EQ(messages, std::vector<std::string>{"请先录制要发送语音，然后再按确定！"});
}

TEST_F(RecorderTest, StoppingPlaybackEarlyKeepsPlayEnabled) {
    RecordAll();
    dev->SetRealTime(true);
    dlg.OnBtnPlay();
    ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesPlayed > 0; }));
    dlg.OnBtnStopPlay();
    EXPECT_LT(dev->m_nBytesPlayed, 48000);
    EXPECT_TRUE(dlg.m_btnPlay->isEnabled());
    EXPECT_TRUE(dlg.m_btnOK->isEnabled());
    EXPECT_TRUE(dlg.m_btnSaveAs->isEnabled());
    EXPECT_TRUE(dlg.m_lblSecond->isHidden());
    EXPECT_FALSE(dlg.TimerActive(3));
    EXPECT_EQ(dev->m_nOpenOutputs, 0);
}

TEST_F(RecorderTest, SaveAsThenPlayAndOkUseTheJoinedFile) {
    RecordAll();
    seam::ScopedFileDialog files([&](const seam::FileDialogRequest& r) -> std::optional<std::string> {
        EXPECT_EQ(r.title, "输入导出的amr手机声音文件名");
        EXPECT_TRUE(r.save);
        return dir.file("mine.amr");
    });
    dlg.OnBtnSaveAs();
    EXPECT_EQ(messages, std::vector<std::string>{"语音文件保存完毕！"});
    EXPECT_EQ(ReadFile(dir.file("mine.amr")).substr(0, 6), "#!AMR\n");
    EXPECT_FALSE(fs::exists(dir.file("Temp.wd")));
    EXPECT_EQ(Label(dlg.m_lblLength), "当前声音长度：3秒。");

    dlg.OnBtnPlay();
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_lblSecond->isHidden(); }));
    EXPECT_EQ(ReadFile(dir.file("out.raw")), Bytes(Tone(3.0)));
    EXPECT_TRUE(boxes.empty());  // nothing read a missing file
    int result = -1;
    QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
    dlg.OnOK();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(ReadFile(dir.file("CurR.amr")).size(), 6u + 150 * 27);
}

TEST_F(RecorderTest, AFailedConversionKeepsTheDialogOpen) {
    RecordAll();
    fs::remove(dir.file("wta"));
    WriteFile(dir.file("CurR.amr"), "#!AMR\nan earlier recording");
    int result = -1;
    QObject::connect(&dlg, &QDialog::finished, [&](int r) { result = r; });
    dlg.OnOK();
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(fs::exists(dir.file("CurR.amr")));
    EXPECT_EQ(messages, std::vector<std::string>{"语音压缩失败，没有生成AMR声音文件！"});
    EXPECT_TRUE(dlg.m_btnOK->isEnabled());
    EXPECT_TRUE(dlg.m_btnCancel->isEnabled());
}

TEST_F(RecorderTest, CancelWithoutRecordingAndDeviceErrors) {
    dlg.OnCancel();
    EXPECT_TRUE(boxes.empty());  // nothing to stop: no "WAVEIN" error
    dev->FailOpens(wave::kBadDevice);
    dlg.OnBtnRecord();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "WAVEIN:2:the test device refuses to open in Start()");
    EXPECT_FALSE(g_VoiceRecorder.IsRecording());
    dlg.OnBtnStopRecord();
    dlg.OnTimer(2);
    EXPECT_EQ(dlg.m_nLength, 0);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(RecorderTest, AWriteFailureStopsCaptureAndIsLogged) {
    // A disk that is full: the writes fail, capture ends by itself and the run log says so.
    g_VoiceRecorder.m_strRecordPath = "/dev/full";
    g_VoiceRecorder.StartRecord();
    ASSERT_TRUE(WaitUntil([&] { return !g_VoiceRecorder.IsRecording(); }));
    g_VoiceRecorder.StopRecord();  // closes the device
    EXPECT_EQ(g_VoiceRecorder.m_SoundIn.QueuedBuffers(), 0);
    EXPECT_NE(ReadFile(dir.file("RunLog.txt")).find("Unable to write to file"), std::string::npos);
    EXPECT_TRUE(boxes.empty());
}

// A capture device whose reads do not return on an abort until released.
class StuckInput : public wave::IWaveDevice, public wave::IWaveStream {
public:
    std::unique_ptr<wave::IWaveStream> OpenInput(const wave::PcmFormat&, wave::WaveError&) override {
        struct Ref : wave::IWaveStream {
            StuckInput* s;
            explicit Ref(StuckInput* p) : s(p) {}
            long Read(void* b, std::size_t n) override { return s->Read(b, n); }
            bool Write(const void*, std::size_t) override { return false; }
            void Drain() override {}
            void Abort() override { s->Abort(); }
            wave::WaveError LastError() const override { return {}; }
        };
        return std::make_unique<Ref>(this);
    }
    std::unique_ptr<wave::IWaveStream> OpenOutput(const wave::PcmFormat&, wave::WaveError& e) override {
        e = {wave::kBadDevice, "none"};
        return nullptr;
    }
    long Read(void*, std::size_t) override {
        std::unique_lock lock(m);
        reading = true;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
        return 0;
    }
    bool Write(const void*, std::size_t) override { return false; }
    void Drain() override {}
    void Abort() override {}
    wave::WaveError LastError() const override { return {}; }
    void Release() {
        std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    bool reading = false, released = false;
};

TEST(VoiceRecorderThreads, StopIsBoundedWhenBuffersDoNotComeBack) {
    TempAppDir dir;
    auto dev = std::make_shared<StuckInput>();
    wave::ScopedWaveDevice scoped(dev);
    std::vector<std::string> boxes;
    seam::ScopedStandardBox box([&](const std::string& t) { boxes.push_back(t); });
    CVoiceRecorder rec;
    rec.m_strRecordPath = dir.file("Temp.wd");
    rec.StartRecord();
    {
        std::unique_lock lock(dev->m);
        ASSERT_TRUE(dev->cv.wait_for(lock, std::chrono::seconds(10), [&] { return dev->reading; }));
    }
    rec.m_SoundIn.Stop();  // gives up after its bound
    EXPECT_EQ(boxes, std::vector<std::string>{"Still 2 buffers in waveIn queue!"});
    EXPECT_TRUE(rec.m_SoundIn.IsOpen());  // the device is not closed under the thread
    dev->Release();
    ASSERT_TRUE(WaitUntil([&] { return rec.m_SoundIn.QueuedBuffers() == 0; }));
    rec.StopRecord();
    EXPECT_FALSE(rec.m_SoundIn.IsOpen());
    EXPECT_EQ(boxes.size(), 1u);
}

// Data that ends while playback starts (a recording shorter than the first blocks): those
// blocks are played and the callback is not asked again, since the engine closes its file once
// told of the end.
TEST(VoiceRecorderThreads, DataEndingWhilePlaybackStartsIsNotAskedForAgain) {
    TempAppDir dir;
    WriteFile(dir.file("in.raw"), "");
    auto dev = std::make_shared<wave::FileWaveDevice>(dir.file("in.raw"), dir.file("out.raw"));
    dev->SetRealTime(true);
    wave::ScopedWaveDevice scoped(dev);
    for (const int blocks : {0, 1, 2}) {
        SCOPED_TRACE(blocks);
        struct Source {
            int blocks;
            std::atomic<int> calls{0};
        } src{blocks};
        CSoundOut out;
        out.SetCallback(
            [](CMemBlock& b, void* arg) {
                auto* s = static_cast<Source*>(arg);
                if (s->calls++ < s->blocks) std::memset(b.GetBuffer(), 1, b.GetSize());
                else b.SetSize(0);
            },
            &src);
        const long long played = dev->m_nBytesPlayed;
        ASSERT_TRUE(out.Start());
        ASSERT_TRUE(WaitUntil([&] { return !out.IsOpen(); }, 120000));
        EXPECT_FALSE(out.IsRunning());
        EXPECT_EQ(src.calls.load(), blocks + 1);
        EXPECT_EQ(dev->m_nBytesPlayed - played, static_cast<long long>(blocks) * CSoundOut::kBlockBytes);
    }
}

// Record and play started and stopped over and over (also under ThreadSanitizer).
TEST(VoiceRecorderThreads, StartAndStopRepeatedly) {
    TempAppDir dir;
    WriteFile(dir.file("in.raw"), Bytes(Tone(2.0)));
    auto dev = std::make_shared<wave::FileWaveDevice>(dir.file("in.raw"), dir.file("out.raw"));
    dev->SetRealTime(true);
    wave::ScopedWaveDevice scoped(dev);
    std::vector<std::string> boxes;
    seam::ScopedStandardBox box([&](const std::string& t) { boxes.push_back(t); });
    CVoiceRecorder rec;
    rec.m_strRecordPath = dir.file("Temp.wd");
    // The stops keep their rule (the device closed once the thread gave its blocks back) but
    // wait as long as a loaded machine (and ThreadSanitizer) may need; so do the waits here.
    constexpr int kSlowMs = 120000;
    rec.m_SoundOut.SetStopWaitMs(kSlowMs);
    rec.m_SoundIn.SetStopWaitMs(kSlowMs);
    for (int i = 0; i < 20; ++i) {
        const long long before = dev->m_nBytesRead;
        rec.StartRecord();
        ASSERT_TRUE(rec.IsRecording());
        if (i % 2) {
            ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesRead > before; }, kSlowMs));
        }
        rec.StopRecord();
        EXPECT_FALSE(rec.m_pFile);
        const long long played = dev->m_nBytesPlayed;
        rec.StartPlay();
        if (i % 3 == 0) {
            ASSERT_TRUE(WaitUntil([&] { return dev->m_nBytesPlayed > played || !rec.m_SoundOut.IsOpen(); }, kSlowMs));
        }
        rec.StopPlay();
        EXPECT_FALSE(rec.m_SoundOut.IsOpen());
        EXPECT_EQ(rec.m_SoundIn.QueuedBuffers(), 0);
    }
    dev->SetRealTime(false);
    rec.StartPlay();
    ASSERT_TRUE(WaitUntil([&] { return !rec.m_SoundOut.IsOpen(); }, kSlowMs));
    rec.StopPlay();
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

}  // namespace

namespace {

TEST(VoiceRecordDlg, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    TempAppDir dir;
    CVoiceRecordDlg dlg;
    dlg.m_nLength = 12;
    dlg.show();
    QApplication::processEvents();
    dlg.grab().save(QString(out) + "/dlg386.png");
    dlg.OnCancel();
}

}  // namespace
