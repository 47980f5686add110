#include "compose/SoundOut.h"

#include "core/Helpers.h"

#include <chrono>
#include <vector>

CSoundOut::CSoundOut() { BeginThread([this] { Run(); }); }

CSoundOut::~CSoundOut() {
    Stop();
    EndThread();
}

bool CSoundOut::Start(const CWaveFormat* format) {
    std::unique_lock lock(m_mutex);
    if (m_bRunning || m_hWave || !m_pfnData) return false;
    if (!OpenDevice(true, format, lock, "in start()")) return false;
    m_bRunning = true;
    m_bBusy = true;  // the first blocks are filled here, before the thread sees them
    lock.unlock();
    std::vector<CMemBlock*> first;
    bool ended = false;
    for (int i = 0; i < kQueued; ++i) {
        auto* block = new CMemBlock(kBlockBytes, false);
        m_pfnData(*block, m_pArg);
        if (block->GetSize() == 0 || !block->GetBuffer()) {
            FreeBlock(block);
            ended = true;
            break;
        }
        first.push_back(block);
    }
    lock.lock();
    for (CMemBlock* b : first) AddOutputBufferToQueue(b);
    m_bBusy = false;
    // The end of the data: the blocks filled are played out, the callback is not asked again
    // (its owner may already be closing what it reads from).
    if (ended) m_bRunning = false;
    lock.unlock();
    m_cv.notify_all();
    return true;
}

bool CSoundOut::AddOutputBufferToQueue(CMemBlock* block) {
    m_queue.push_back(block);
    ++m_nBuffers;
    return true;
}

void CSoundOut::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [&] { return m_bQuit || !m_queue.empty() || (m_hWave && !m_bRunning && !m_bBusy); });
        if (m_queue.empty()) {
            if (m_bQuit) return;
            // Nothing queued any more and not running: play out what the device holds, close it.
            wave::IWaveStream* out = m_hWave.get();
            m_bBusy = true;
            lock.unlock();
            out->Drain();
            lock.lock();
            m_bBusy = false;
            if (m_queue.empty() && !m_bRunning) m_hWave.reset();
            m_cv.notify_all();
            continue;
        }
        CMemBlock* block = m_queue.front();
        m_queue.pop_front();
        wave::IWaveStream* out = m_hWave.get();
        m_bBusy = true;
        lock.unlock();
        const bool played = out && out->Write(block->GetBuffer(), block->GetSize());
        if (!played && m_bRunning) {
            const wave::WaveError e = out ? out->LastError() : wave::WaveError{wave::kError, "no device"};
            if (e.code) ReportWaveError("WAVEOUT", e, "in OnWOM_DONE()");
            m_bRunning = false;
        }
        OnWOM_DONE(block);
        lock.lock();
        m_bBusy = false;
        m_cv.notify_all();
    }
}

// Runs without the lock, on the playback thread.
void CSoundOut::OnWOM_DONE(CMemBlock* block) {
    bool again = false;
    if (m_bRunning) {
        block->SetSize(kBlockBytes);
        m_pfnData(*block, m_pArg);
        if (block->GetSize() > 0) again = true;
        else m_bRunning = false;  // the end of the data
    }
    std::lock_guard lock(m_mutex);
    --m_nBuffers;
    if (again && m_bRunning) {
        AddOutputBufferToQueue(block);
        return;
    }
    FreeBlock(block);
}

void CSoundOut::Stop() {
    std::unique_lock lock(m_mutex);
    if (!m_hWave) return;
    m_bRunning = false;
    m_hWave->Abort();
    m_cv.notify_all();
    const bool idle = m_cv.wait_for(lock, std::chrono::milliseconds(m_nStopWaitMs.load()),
                                    [&] { return m_queue.empty() && !m_bBusy; });
    if (idle) m_hWave.reset();
}
