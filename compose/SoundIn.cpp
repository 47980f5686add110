#include "compose/SoundIn.h"

#include "core/Helpers.h"

#include <chrono>

CSoundIn::CSoundIn() { BeginThread([this] { Run(); }); }

CSoundIn::~CSoundIn() {
    Stop();
    EndThread();
}

bool CSoundIn::Start(const CWaveFormat* format) {
    std::unique_lock lock(m_mutex);
    if (m_bRunning || m_hWave || !m_pfnData) return false;
    if (!OpenDevice(false, format, lock, "in Start()")) return false;
    for (int i = 0; i < kQueued; ++i)
        if (!AddInputBufferToQueue()) break;
    m_bRunning = true;
    lock.unlock();
    m_cv.notify_all();
    return true;
}

bool CSoundIn::AddInputBufferToQueue() {
    // A block of block align x buffer size bytes, of which the device fills a quarter second.
    auto* block = new CMemBlock(static_cast<std::size_t>(m_Format.m_wfx.nBlockAlign) * m_Format.m_nBufferSize, false);
    if (!block->GetBuffer()) {
        delete block;
        return false;
    }
    m_queue.push_back(block);
    ++m_nBuffers;
    return true;
}

void CSoundIn::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [&] { return m_bQuit || !m_queue.empty(); });
        if (m_queue.empty()) return;
        CMemBlock* buffer = m_queue.front();
        m_queue.pop_front();
        wave::IWaveStream* in = m_hWave.get();
        lock.unlock();
        const long bytes = in ? in->Read(buffer->GetBuffer(), kBufferBytes) : 0;
        if (bytes < 0) ReportWaveError("WAVEIN", in->LastError(), "in OnWIM_DATA()");
        lock.lock();
        if (bytes < 0) m_bRunning = false;
        OnWIM_DATA(buffer, bytes);
        m_cv.notify_all();
    }
}

// Called with the lock held; the callback runs without it.
void CSoundIn::OnWIM_DATA(CMemBlock* buffer, long bytes) {
    if (m_bRunning && bytes > 0 && m_pfnData) {
        CMemBlock data(buffer->GetBuffer(), static_cast<std::size_t>(bytes));
        m_mutex.unlock();
        m_pfnData(data, m_pArg);
        m_mutex.lock();
    }
    if (m_bRunning) {
        m_queue.push_back(buffer);  // the same buffer goes back to the device
        return;
    }
    FreeBlock(buffer);
    --m_nBuffers;
}

void CSoundIn::EndFromCallback() {
    m_bRunning = false;
    // The lock is not taken: this runs inside the callback, on the capture thread.
    if (wave::IWaveStream* in = m_hWave.get()) in->Abort();
}

void CSoundIn::Stop() {
    std::unique_lock lock(m_mutex);
    if (!m_hWave) return;  // capture is not running: nothing to reset
    m_bRunning = false;
    m_hWave->Abort();
    const bool handed = m_cv.wait_for(lock, std::chrono::milliseconds(m_nStopWaitMs.load()), [&] { return m_nBuffers == 0; });
    const int left = m_nBuffers;
    if (handed) m_hWave.reset();
    lock.unlock();
    if (!handed) MessageBoxFormat("Still %d buffers in waveIn queue!", left);
}
