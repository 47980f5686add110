// The wave device over ALSA: non-blocking PCM handles waited on with poll, so an abort from
// another thread (an eventfd) ends a wait at once.
#include "platform/WaveDevice.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace wave {

namespace {

// ALSA's own messages to stderr are replaced by the texts our callers report.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

WaveError FromAlsa(int err, const std::string& pcm, const char* what) {
    WaveError e;
    e.code = err == -ENOENT || err == -ENODEV || err == -ENXIO ? kBadDevice
             : err == -EBUSY                                  ? kAllocated
             : err == -EINVAL                                 ? kBadFormat
                                                              : kError;
    if (e.code == kBadDevice)
        e.text = "no sound device: ALSA PCM \"" + pcm + "\" " + what + ": " + snd_strerror(err);
    else
        e.text = "ALSA PCM \"" + pcm + "\" " + what + ": " + snd_strerror(err);
    return e;
}

class AlsaStream : public IWaveStream {
public:
    AlsaStream(std::shared_ptr<const void> keep, snd_pcm_t* pcm, std::string name, const PcmFormat& fmt)
        : m_keep(std::move(keep)),
          m_pcm(pcm), m_name(std::move(name)), m_fmt(fmt), m_abortFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~AlsaStream() override {
        snd_pcm_drop(m_pcm);
        snd_pcm_close(m_pcm);
        if (m_abortFd >= 0) ::close(m_abortFd);
    }

    long Read(void* buf, std::size_t len) override {
        const snd_pcm_uframes_t frames = len / m_fmt.FrameBytes();
        for (;;) {
            if (m_bAborted) return 0;
            const snd_pcm_sframes_t n = snd_pcm_readi(m_pcm, buf, frames);
            if (n > 0) return static_cast<long>(n * m_fmt.FrameBytes());
            if (n == -EAGAIN || n == 0) {
                if (!WaitReady(-1)) return 0;
                continue;
            }
            if (!Recover(static_cast<int>(n), "read")) return -1;
        }
    }

    bool Write(const void* buf, std::size_t len) override {
        const char* p = static_cast<const char*>(buf);
        snd_pcm_uframes_t left = len / m_fmt.FrameBytes();
        while (left > 0) {
            if (m_bAborted) return false;
            const snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, p, left);
            if (n > 0) {
                left -= static_cast<snd_pcm_uframes_t>(n);
                p += n * m_fmt.FrameBytes();
                continue;
            }
            if (n == -EAGAIN || n == 0) {
                if (!WaitReady(-1)) return false;
                continue;
            }
            if (!Recover(static_cast<int>(n), "write")) return false;
        }
        return true;
    }

    void Drain() override {
        // Waits out what the device still holds, in steps of its remaining play time.
        for (;;) {
            snd_pcm_sframes_t delay = 0;
            if (m_bAborted || snd_pcm_state(m_pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(m_pcm, &delay) < 0 ||
                delay <= 0)
                return;
            const int ms = static_cast<int>(delay * 1000 / m_fmt.rate) + 1;
            pollfd pf{m_abortFd, POLLIN, 0};
            if (::poll(&pf, 1, ms) > 0) return;
        }
    }

    void Abort() override {
        m_bAborted = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t r = ::write(m_abortFd, &one, sizeof one);
    }

    WaveError LastError() const override { return m_error; }

private:
    bool WaitReady(int timeoutMs) {
        const int n = snd_pcm_poll_descriptors_count(m_pcm);
        std::vector<pollfd> fds(static_cast<std::size_t>(std::max(n, 0)) + 1);
        snd_pcm_poll_descriptors(m_pcm, fds.data(), static_cast<unsigned>(n));
        fds[static_cast<std::size_t>(n)] = {m_abortFd, POLLIN, 0};
        for (;;) {
            const int r = ::poll(fds.data(), fds.size(), timeoutMs);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0 || m_bAborted || (fds.back().revents & POLLIN)) return !m_bAborted && r > 0;
            unsigned short revents = 0;
            snd_pcm_poll_descriptors_revents(m_pcm, fds.data(), static_cast<unsigned>(n), &revents);
            if (revents & (POLLERR | POLLNVAL)) return true;  // the read or write reports it
            if (revents & (POLLIN | POLLOUT)) return true;
        }
    }

    bool Recover(int err, const char* what) {
        if (snd_pcm_recover(m_pcm, err, 1) == 0) return true;  // an overrun or underrun
        m_error = FromAlsa(err, m_name, what);
        return false;
    }

    std::shared_ptr<const void> m_keep;  // the device and its configuration outlive the stream
    snd_pcm_t* m_pcm;
    std::string m_name;
    PcmFormat m_fmt;
    int m_abortFd;
    std::atomic<bool> m_bAborted{false};
    WaveError m_error;
};

class AlsaDevice : public IWaveDevice, public std::enable_shared_from_this<AlsaDevice> {
public:
    AlsaDevice(std::string name, const std::string& config) : m_name(std::move(name)) {
        snd_lib_error_set_handler(QuietAlsa);
        if (!config.empty()) {
            snd_input_t* in = nullptr;
            if (snd_config_top(&m_conf) == 0 &&
                snd_input_buffer_open(&in, config.data(), static_cast<ssize_t>(config.size())) == 0) {
                if (snd_config_load(m_conf, in) < 0) m_confError = true;
                snd_input_close(in);
            } else {
                m_confError = true;
            }
        }
    }
    ~AlsaDevice() override {
        if (m_conf) snd_config_delete(m_conf);
    }

    std::unique_ptr<IWaveStream> OpenInput(const PcmFormat& fmt, WaveError& err) override {
        return Open(SND_PCM_STREAM_CAPTURE, fmt, err);
    }
    std::unique_ptr<IWaveStream> OpenOutput(const PcmFormat& fmt, WaveError& err) override {
        return Open(SND_PCM_STREAM_PLAYBACK, fmt, err);
    }

private:
    std::unique_ptr<IWaveStream> Open(snd_pcm_stream_t dir, const PcmFormat& fmt, WaveError& err) {
        if (m_confError) {
            err = {kError, "the ALSA configuration could not be read"};
            return nullptr;
        }
        snd_pcm_t* pcm = nullptr;
        int rc = m_conf ? snd_pcm_open_lconf(&pcm, m_name.c_str(), dir, SND_PCM_NONBLOCK, m_conf)
                        : snd_pcm_open(&pcm, m_name.c_str(), dir, SND_PCM_NONBLOCK);
        if (rc < 0) {
            err = FromAlsa(rc, m_name, "cannot be opened");
            return nullptr;
        }
        const snd_pcm_format_t sf = fmt.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
        rc = fmt.bits == 8 || fmt.bits == 16
                 ? snd_pcm_set_params(pcm, sf, SND_PCM_ACCESS_RW_INTERLEAVED, fmt.channels, fmt.rate, 1, 250000)
                 : -EINVAL;
        if (rc < 0) {
            err = FromAlsa(rc, m_name, "does not take the format");
            snd_pcm_close(pcm);
            return nullptr;
        }
        if (dir == SND_PCM_STREAM_CAPTURE) snd_pcm_start(pcm);
        return std::make_unique<AlsaStream>(shared_from_this(), pcm, m_name, fmt);
    }

    std::string m_name;
    snd_config_t* m_conf = nullptr;
    bool m_confError = false;
};

}  // namespace

std::shared_ptr<IWaveDevice> MakeAlsaDevice(const std::string& pcmName, const std::string& config) {
    return std::make_shared<AlsaDevice>(pcmName, config);
}

}  // namespace wave
