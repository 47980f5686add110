#include "platform/WaveDevice.h"

#include <chrono>
#include <cstring>
#include <fstream>

namespace wave {

namespace {
std::mutex g_deviceMutex;
std::shared_ptr<IWaveDevice> g_device;
}  // namespace

std::shared_ptr<IWaveDevice> Device() {
    std::lock_guard lock(g_deviceMutex);
    if (!g_device) g_device = MakeAlsaDevice();
    return g_device;
}

std::shared_ptr<IWaveDevice> SetDevice(std::shared_ptr<IWaveDevice> dev) {
    std::lock_guard lock(g_deviceMutex);
    std::shared_ptr<IWaveDevice> old = std::move(g_device);
    g_device = std::move(dev);
    return old;
}

class FileStream : public IWaveStream {
public:
    FileStream(std::shared_ptr<FileWaveDevice> keep, const PcmFormat& fmt, bool output)
        : m_keep(std::move(keep)),
          m_dev(*m_keep), m_fmt(fmt), m_bOutput(output), m_start(std::chrono::steady_clock::now()) {
        if (output) {
            m_out.open(m_dev.m_strOutput, std::ios::binary | std::ios::app);
        } else {
            std::ifstream in(m_dev.m_strInput, std::ios::binary);
            if (in) m_data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    ~FileStream() override {
        if (m_bOutput) --m_dev.m_nOpenOutputs;
    }

    long Read(void* buf, std::size_t len) override {
        len -= len % std::max(1u, m_fmt.FrameBytes());
        const std::size_t n = std::min(len, m_data.size() - m_pos);
        if (n == 0) {  // a silent microphone: nothing more until aborted
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [&] { return m_bAborted.load(); });
            return 0;
        }
        if (!Pace(m_pos + n)) return 0;
        std::memcpy(buf, m_data.data() + m_pos, n);
        m_pos += n;
        m_dev.m_nBytesRead += static_cast<long long>(n);
        return static_cast<long>(n);
    }

    bool Write(const void* buf, std::size_t len) override {
        if (m_bAborted) return false;
        if (!Pace(m_nWritten + len)) return false;
        m_out.write(static_cast<const char*>(buf), static_cast<std::streamsize>(len));
        m_out.flush();
        m_nWritten += len;
        m_dev.m_nBytesPlayed += static_cast<long long>(len);
        return static_cast<bool>(m_out);
    }

    void Drain() override {}

    void Abort() override {
        {
            std::lock_guard lock(m_mutex);
            m_bAborted = true;
        }
        m_cv.notify_all();
    }

    WaveError LastError() const override { return {}; }

private:
    // In real time, waits until the stream's clock has reached the byte count; false when aborted.
    bool Pace(std::size_t bytes) {
        if (!m_dev.m_bRealTime) return !m_bAborted;
        const auto due = m_start + std::chrono::microseconds(static_cast<long long>(bytes) * 1000000 /
                                                             std::max(1u, m_fmt.BytesPerSecond()));
        std::unique_lock lock(m_mutex);
        m_cv.wait_until(lock, due, [&] { return m_bAborted.load(); });
        return !m_bAborted;
    }

    std::shared_ptr<FileWaveDevice> m_keep;
    FileWaveDevice& m_dev;
    PcmFormat m_fmt;
    bool m_bOutput;
    std::chrono::steady_clock::time_point m_start;
    std::ofstream m_out;
    std::string m_data;
    std::size_t m_pos = 0;
    std::size_t m_nWritten = 0;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::atomic<bool> m_bAborted{false};
};

FileWaveDevice::FileWaveDevice(std::string inputFile, std::string outputFile)
    : m_strInput(std::move(inputFile)), m_strOutput(std::move(outputFile)) {}

std::unique_ptr<IWaveStream> FileWaveDevice::OpenInput(const PcmFormat& fmt, WaveError& err) {
    if (const int code = m_nFailCode) {
        err = {code, "the test device refuses to open"};
        return nullptr;
    }
    ++m_nInputOpens;
    return std::make_unique<FileStream>(shared_from_this(), fmt, false);
}

std::unique_ptr<IWaveStream> FileWaveDevice::OpenOutput(const PcmFormat& fmt, WaveError& err) {
    if (const int code = m_nFailCode) {
        err = {code, "the test device refuses to open"};
        return nullptr;
    }
    int expected = 0;
    if (!m_nOpenOutputs.compare_exchange_strong(expected, 1)) {
        err = {kAllocated, "the output device is in use"};
        return nullptr;
    }
    ++m_nOutputOpens;
    {
        std::lock_guard lock(m_mutex);
        m_lastOutput = fmt;
    }
    return std::make_unique<FileStream>(shared_from_this(), fmt, true);
}

PcmFormat FileWaveDevice::LastOutputFormat() const {
    std::lock_guard lock(m_mutex);
    return m_lastOutput;
}

}  // namespace wave
