#pragma once
// The capture thread: buffers of the default wave input come back on this thread and are handed
// to the data callback while capture runs.
#include "compose/WaveFile.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

using SoundDataFn = void (*)(CMemBlock& block, void* arg);

// "WAVEIN:%x:%s %s" / "WAVEOUT:%x:%s %s" reports of a device error, with the place text.
void ReportWaveError(const char* device, const wave::WaveError& err, const char* where);

class CSoundIn {
public:
    CSoundIn();
    virtual ~CSoundIn();
    CSoundIn(const CSoundIn&) = delete;
    CSoundIn& operator=(const CSoundIn&) = delete;

    // Stops capture and returns once the thread has handed over its last block (bounded).
    virtual void Stop();
    // Opens the default input with the format (null: m_Format) and starts capture; false when
    // running already, without a callback, or on a device error (reported).
    virtual bool Start(const CWaveFormat* format = nullptr);

    void SetCallback(SoundDataFn fn, void* arg) {
        m_pfnData = fn;
        m_pArg = arg;
    }
    bool IsRunning() const { return m_bRunning; }
    int QueuedBuffers() const;
    // Capture ends from the callback's own thread (a write that failed): the device is closed
    // by the next Stop.
    void EndFromCallback();

    CWaveFormat m_Format;
    static constexpr std::size_t kBufferBytes = 4000;  // a quarter of a second
    static constexpr int kQueued = 2;
    static constexpr int kStopWaitMs = 2000;

protected:
    bool AddInputBufferToQueue();
    void OnWIM_DATA(CMemBlock* buffer, long bytes);

private:
    void Run();

    SoundDataFn m_pfnData = nullptr;
    void* m_pArg = nullptr;
    std::atomic<bool> m_bRunning{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unique_ptr<wave::IWaveStream> m_hWaveIn;
    std::deque<CMemBlock*> m_queue;  // buffers at the device
    int m_nBuffers = 0;              // buffers not yet handed back
    bool m_bQuit = false;
    std::thread m_thread;
};
