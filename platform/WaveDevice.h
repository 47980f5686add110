#pragma once
// Wave input and output: the default capture and playback device as blocking PCM streams, over
// ALSA or, for tests, over files. The device in use is chosen through SetDevice.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace wave {

struct PcmFormat {
    unsigned rate = 8000;
    unsigned channels = 1;
    unsigned bits = 16;  // 8 or 16
    unsigned FrameBytes() const { return channels * bits / 8; }
    unsigned BytesPerSecond() const { return rate * FrameBytes(); }
};

// Error codes as the wave functions of the original platform gave them.
enum : int {
    kNoError = 0,
    kError = 1,         // any other failure
    kBadDevice = 2,     // no such device (no sound card)
    kAllocated = 4,     // the device is in use
    kBadFormat = 32,    // the format is not supported
};

struct WaveError {
    int code = kNoError;
    std::string text;
};

// One open input or output. Read, Write and Drain run on one thread (the device's thread);
// Abort may be called from any thread and makes them return at once.
class IWaveStream {
public:
    virtual ~IWaveStream() = default;
    // Capture: waits for data and fills up to len bytes (whole frames); the bytes read, 0 after
    // Abort, -1 on a device error (LastError).
    virtual long Read(void* buf, std::size_t len) = 0;
    // Playback: queues all len bytes, waiting for room; false after Abort or on an error.
    virtual bool Write(const void* buf, std::size_t len) = 0;
    // Playback: waits until everything written has been played (or Abort).
    virtual void Drain() = 0;
    virtual void Abort() = 0;
    virtual WaveError LastError() const = 0;
};

class IWaveDevice {
public:
    virtual ~IWaveDevice() = default;
    virtual std::unique_ptr<IWaveStream> OpenInput(const PcmFormat& fmt, WaveError& err) = 0;
    virtual std::unique_ptr<IWaveStream> OpenOutput(const PcmFormat& fmt, WaveError& err) = 0;
};

// The device every sound user opens (the ALSA default device unless a test set another).
std::shared_ptr<IWaveDevice> Device();
// Installs a device (null: the ALSA default) and returns the one it replaces.
std::shared_ptr<IWaveDevice> SetDevice(std::shared_ptr<IWaveDevice> dev);

// ALSA: the named PCM ("default"); config, when not empty, is an ALSA configuration text that
// defines the PCMs in place of the system's.
std::shared_ptr<IWaveDevice> MakeAlsaDevice(const std::string& pcmName = "default", const std::string& config = {});

// The file-backed device of the tests. Capture delivers the bytes of the input file, then waits
// as a silent microphone until aborted; playback appends to the output file. One output may be
// open at a time (a second open finds the device in use). In real time, both take the time the
// samples last. Made with make_shared: its streams keep it alive.
class FileWaveDevice : public IWaveDevice, public std::enable_shared_from_this<FileWaveDevice> {
public:
    FileWaveDevice(std::string inputFile, std::string outputFile);
    std::unique_ptr<IWaveStream> OpenInput(const PcmFormat& fmt, WaveError& err) override;
    std::unique_ptr<IWaveStream> OpenOutput(const PcmFormat& fmt, WaveError& err) override;

    // On: capture and playback take the time the samples last; off: as fast as asked.
    void SetRealTime(bool on) { m_bRealTime = on; }
    // Makes the next opens fail with the code (0: succeed again).
    void FailOpens(int code) { m_nFailCode = code; }

    std::atomic<long long> m_nBytesRead{0};
    std::atomic<long long> m_nBytesPlayed{0};
    std::atomic<int> m_nInputOpens{0};
    std::atomic<int> m_nOutputOpens{0};
    std::atomic<int> m_nOpenOutputs{0};
    PcmFormat LastOutputFormat() const;

    const std::string m_strInput, m_strOutput;

private:
    friend class FileStream;
    std::atomic<bool> m_bRealTime{false};
    std::atomic<int> m_nFailCode{0};
    mutable std::mutex m_mutex;
    PcmFormat m_lastOutput;
};

// Replaces the device for a scope.
class ScopedWaveDevice {
public:
    explicit ScopedWaveDevice(std::shared_ptr<IWaveDevice> dev) : old_(SetDevice(std::move(dev))) {}
    ~ScopedWaveDevice() { SetDevice(std::move(old_)); }
    ScopedWaveDevice(const ScopedWaveDevice&) = delete;
    ScopedWaveDevice& operator=(const ScopedWaveDevice&) = delete;

private:
    std::shared_ptr<IWaveDevice> old_;
};

}  // namespace wave
