#include "compose/SoundThread.h"

#include "core/Helpers.h"

void ReportWaveError(const char* device, const wave::WaveError& err, const char* where) {
    MessageBoxFormat("%s:%x:%s %s", device, static_cast<unsigned>(err.code), err.text.c_str(), where);
}

int CSoundThread::QueuedBuffers() const {
    std::lock_guard lock(m_mutex);
    return m_nBuffers;
}

bool CSoundThread::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_hWave != nullptr;
}

void CSoundThread::EndThread() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool CSoundThread::OpenDevice(bool output, const CWaveFormat* format, std::unique_lock<std::mutex>& lock,
                              const char* where) {
    const wave::PcmFormat pcm = (format ? *format : m_Format).Pcm();
    wave::WaveError err;
    m_hWave = output ? wave::Device()->OpenOutput(pcm, err) : wave::Device()->OpenInput(pcm, err);
    if (m_hWave) return true;
    lock.unlock();
    ReportWaveError(output ? "WAVEOUT" : "WAVEIN", err, where);
    return false;
}

void CSoundThread::FreeBlock(CMemBlock* block) {
    block->Free();
    delete block;
}
