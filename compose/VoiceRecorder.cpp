#include "compose/VoiceRecorder.h"

#include "core/Helpers.h"
#include "platform/Seams.h"

CVoiceRecorder g_VoiceRecorder;

CVoiceRecorder::CVoiceRecorder() {
    m_SoundOut.SetCallback(&CVoiceRecorder::OnPlayData, this);
    m_SoundIn.SetCallback(&CVoiceRecorder::OnRecordData, this);
}

CVoiceRecorder::~CVoiceRecorder() {
    m_SoundIn.Stop();
    m_SoundOut.Stop();
}

void CVoiceRecorder::SetWindow(std::function<void(int)> fn) {
    std::lock_guard lock(m_wndMutex);
    m_fnWnd = std::move(fn);
}

void CVoiceRecorder::OnPlayEnded() {
    const int play = m_nPlay;
    std::weak_ptr<int> alive = m_alive;
    seam::PostToUi([this, play, alive] {
        if (alive.expired()) return;  // the engine is gone
        // The playback thread is done with the file: it is closed here, unless a new play began.
        if (play == m_nPlay && !m_SoundIn.IsRunning()) {
            m_bPlaying = 0;
            m_pFile.reset();
        }
        std::function<void(int)> fn;
        {
            std::lock_guard lock(m_wndMutex);
            fn = m_fnWnd;
        }
        if (fn) fn(0x69);
    });
}

void CVoiceRecorder::StartRecord() {
    StopPlay();
    m_SoundIn.Stop();
    m_pFile = std::make_unique<CWaveFile>(m_strRecordPath, m_SoundIn.m_Format);
    if (m_pFile->IsValid()) m_SoundIn.Start();
}

void CVoiceRecorder::StopRecord() {
    m_SoundIn.Stop();  // returns after the last block was written
    if (!m_SoundOut.IsOpen()) m_pFile.reset();
}

void CVoiceRecorder::StartPlay() {
    m_SoundIn.Stop();
    m_SoundOut.Stop();
    m_bPlaying = 1;
    ++m_nPlay;
    m_pFile = std::make_unique<CWaveFile>(m_strRecordPath);
    if (m_pFile->IsValid()) {
        m_SoundOut.Start(&m_pFile->GetFormat());
    } else {
        m_pFile.reset();
        MessageBoxFormat("Unable to open file");
    }
}

void CVoiceRecorder::StopPlay() {
    m_bPlaying = 0;
    m_SoundOut.Stop();
    if (!m_SoundIn.IsRunning()) m_pFile.reset();
}

void CVoiceRecorder::OnRecordData(CMemBlock& block, void* arg) {
    auto* self = static_cast<CVoiceRecorder*>(arg);
    if (self->m_pFile && !self->m_pFile->Write(block)) {
        self->m_SoundIn.EndFromCallback();
        WriteRunLog("Unable to write to file");
    }
}

void CVoiceRecorder::OnPlayData(CMemBlock& block, void* arg) {
    auto* self = static_cast<CVoiceRecorder*>(arg);
    if (!self->m_pFile || !self->m_pFile->Read(block)) {
        block.SetSize(0);
        self->OnPlayEnded();  // the UI thread closes the file
    }
}
