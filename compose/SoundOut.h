#pragma once
// The playback thread: buffers filled by the data callback are played on this thread and, once
// played, refilled while playback runs.
#include "compose/SoundIn.h"

class CSoundOut {
public:
    CSoundOut();
    virtual ~CSoundOut();
    CSoundOut(const CSoundOut&) = delete;
    CSoundOut& operator=(const CSoundOut&) = delete;

    // Stops playback and closes the device; returns once the thread is out of the callback.
    virtual void Stop();
    // Opens the default output with the format (null: m_Format), fills and queues three blocks;
    // false when running already, without a callback, or on a device error (reported).
    virtual bool Start(const CWaveFormat* format = nullptr);

    void SetCallback(SoundDataFn fn, void* arg) {
        m_pfnData = fn;
        m_pArg = arg;
    }
    bool IsRunning() const { return m_bRunning; }
    // The device is open (playing, or playing out the last blocks).
    bool IsOpen() const;

    CWaveFormat m_Format;
    static constexpr std::size_t kBlockBytes = 2000;
    static constexpr int kQueued = 3;
    static constexpr int kStopWaitMs = 2000;

protected:
    bool AddOutputBufferToQueue(CMemBlock* block);
    void OnWOM_DONE(CMemBlock* block);

private:
    void Run();

    SoundDataFn m_pfnData = nullptr;
    void* m_pArg = nullptr;
    std::atomic<bool> m_bRunning{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unique_ptr<wave::IWaveStream> m_hWaveOut;
    std::deque<CMemBlock*> m_queue;  // blocks written to the device, in order
    int m_nBuffers = 0;
    bool m_bBusy = false;            // the thread holds a block outside the lock
    bool m_bQuit = false;
    std::thread m_thread;
};
