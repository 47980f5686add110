#pragma once
// Sound playing in place of the system's sound player and MCI sequencer: a WAV file played
// asynchronously (libsndfile), a MIDI file rendered by FluidSynth with the GM sound font. Both
// play through the wave output of WaveDevice.h on a thread of their own.
#include "platform/WaveDevice.h"

#include <atomic>
#include <string>
#include <thread>

namespace sound {

// One sound at a time, as the system's sound player. Not thread-safe: used from one thread.
class CWavPlayer {
public:
    ~CWavPlayer() { Stop(); }
    // Stops what plays and starts the file; false at once when it cannot be read or the output
    // is busy (error in LastError).
    bool PlayAsync(const std::string& fsPath);
    void Stop();
    bool IsPlaying() const { return m_bPlaying; }
    const std::string& LastError() const { return m_strError; }

private:
    std::unique_ptr<wave::IWaveStream> m_stream;
    std::thread m_thread;
    std::atomic<bool> m_bPlaying{false};
    std::string m_strError;
};

// The MIDI sequencer: open a file, play it from the start, stop, close.
class CMidiPlayer {
public:
    ~CMidiPlayer() { Close(); }
    // False when the file is not a MIDI file.
    bool Open(const std::string& fsPath);
    // Plays the open file from the start (stopping an earlier play); false when nothing is open,
    // the sound font is missing or the output cannot be opened.
    bool Play();
    void Stop();
    void Close();
    bool IsOpen() const { return !m_strPath.empty(); }
    bool IsPlaying() const { return m_bPlaying; }
    const std::string& LastError() const { return m_strError; }

    // The GM sound font used ("/usr/share/sounds/sf2/default-GM.sf2").
    static std::string SoundFont();

private:
    std::string m_strPath;
    std::unique_ptr<wave::IWaveStream> m_stream;
    std::thread m_thread;
    std::atomic<bool> m_bPlaying{false};
    std::string m_strError;
};

// The program's one system sound (the preview's and the send page's voice playing).
CWavPlayer& SystemSound();

// Length of a WAV file in milliseconds (libsndfile); -1 when it cannot be read.
long long WavLengthMs(const std::string& fsPath);
// Length of a standard MIDI file (format 0 or 1) in milliseconds, through the tempo map
// (PPQN) or the SMPTE division; -1 for a file that is not one. A cut track counts up to its cut.
long long MidiLengthMs(const std::string& fsPath);
long long MidiLengthMsOfBytes(const std::string& bytes);

}  // namespace sound
