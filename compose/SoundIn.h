#pragma once
// The capture thread: buffers of the default wave input come back on this thread and are handed
// to the data callback while capture runs.
#include "compose/SoundThread.h"

class CSoundIn : public CSoundThread {
public:
    CSoundIn();
    ~CSoundIn() override;

    // Stops capture and returns once the thread has handed over its last block (bounded).
    void Stop() override;
    // Opens the default input with the format (null: m_Format) and starts capture; false when
    // running already, without a callback, or on a device error (reported).
    bool Start(const CWaveFormat* format = nullptr) override;
    // Capture ends from the callback's own thread (a write that failed): the device is closed
    // by the next Stop.
    void EndFromCallback();

    static constexpr std::size_t kBufferBytes = 4000;  // a quarter of a second
    static constexpr int kQueued = 2;

protected:
    bool AddInputBufferToQueue();
    void OnWIM_DATA(CMemBlock* buffer, long bytes);

private:
    void Run();
};
