#pragma once
// The playback thread: buffers filled by the data callback are played on this thread and, once
// played, refilled while playback runs.
#include "compose/SoundThread.h"

class CSoundOut : public CSoundThread {
public:
    CSoundOut();
    ~CSoundOut() override;

    // Stops playback and closes the device; returns once the thread is out of the callback.
    void Stop() override;
    // Opens the default output with the format (null: m_Format), fills and queues three blocks;
    // false when running already, without a callback, or on a device error (reported).
    bool Start(const CWaveFormat* format = nullptr) override;

    static constexpr std::size_t kBlockBytes = 2000;
    static constexpr int kQueued = 3;

protected:
    bool AddOutputBufferToQueue(CMemBlock* block);
    void OnWOM_DONE(CMemBlock* block);

private:
    void Run();
    bool m_bBusy = false;  // the thread holds a block outside the lock
};
