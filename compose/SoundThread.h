#pragma once
// What the capture and the playback thread share: the data callback, the running flag, the
// device, the blocks at the device and the thread itself, which waits for blocks.
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

class CSoundThread {
public:
    CSoundThread() = default;
    virtual ~CSoundThread() = default;
    CSoundThread(const CSoundThread&) = delete;
    CSoundThread& operator=(const CSoundThread&) = delete;

    virtual void Stop() = 0;
    virtual bool Start(const CWaveFormat* format = nullptr) = 0;

    void SetCallback(SoundDataFn fn, void* arg) {
        m_pfnData = fn;
        m_pArg = arg;
    }
    bool IsRunning() const { return m_bRunning; }
    // Blocks not yet handed back by the device.
    int QueuedBuffers() const;
    // The device is open.
    bool IsOpen() const;
    // How long Stop waits for the thread to give the device's blocks back before it leaves the
    // device open; a test on a loaded machine gives it longer.
    static constexpr int kStopWaitMs = 2000;
    void SetStopWaitMs(int ms) { m_nStopWaitMs = ms; }

    CWaveFormat m_Format;

protected:
    // Starts the thread on run (from the derived constructor); EndThread stops it (from the
    // derived destructor, after Stop).
    template <class Fn>
    void BeginThread(Fn run) {
        m_thread = std::thread(run);
    }
    void EndThread();
    // Opens the default input or output with the format (null: m_Format), lock held; a device
    // error is reported as "<device>:%x:%s <where>" (the lock let go for it) and gives false.
    bool OpenDevice(bool output, const CWaveFormat* format, std::unique_lock<std::mutex>& lock, const char* where);
    // Frees a block with its bytes.
    static void FreeBlock(CMemBlock* block);

    SoundDataFn m_pfnData = nullptr;
    void* m_pArg = nullptr;
    std::atomic<bool> m_bRunning{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unique_ptr<wave::IWaveStream> m_hWave;
    std::deque<CMemBlock*> m_queue;  // blocks at the device, in order
    int m_nBuffers = 0;
    bool m_bQuit = false;
    std::atomic<int> m_nStopWaitMs{kStopWaitMs};

private:
    std::thread m_thread;
};
