#pragma once
// The voice recorder's engine: one capture and one playback thread over the wave devices and the
// wave file being recorded or played. Callbacks run on the sound threads and touch only the file;
// the file is created and closed on the UI thread, never while a sound thread uses it.
#include "compose/SoundIn.h"
#include "compose/SoundOut.h"

#include <functional>
#include <memory>
#include <string>

class CVoiceRecorder {
public:
    CVoiceRecorder();
    virtual ~CVoiceRecorder();
    // Playback ended: the notification 0x69 reaches the window on the UI thread.
    virtual void OnPlayEnded();

    void StartRecord();
    void StopRecord();
    void StartPlay();
    void StopPlay();
    bool IsRecording() const { return m_SoundIn.IsRunning(); }

    static void OnRecordData(CMemBlock& block, void* arg);
    static void OnPlayData(CMemBlock& block, void* arg);

    // The window to notify (the recorder dialog): called on the UI thread with 0x69.
    void SetWindow(std::function<void(int)> fn);

    int m_bPlaying = 0;
    std::string m_strRecordPath;  // file-system path
    std::unique_ptr<CWaveFile> m_pFile;
    CSoundOut m_SoundOut;
    CSoundIn m_SoundIn;

private:
    std::atomic<int> m_nPlay{0};  // counts the plays, so a late end notice finds its own
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::mutex m_wndMutex;
    std::function<void(int)> m_fnWnd;
};

extern CVoiceRecorder g_VoiceRecorder;
