#pragma once
// Sound playing in place of the system's sound player and MCI sequencer: a WAV file played
// asynchronously (libsndfile), a MIDI file rendered by FluidSynth with the GM sound font. Both
// play through the wave output of WaveDevice.h on a thread of their own.
#include "platform/WaveDevice.h"

#include <atomic>
#include <string>
#include <thread>

namespace sound {

// An output stream fed by a thread of its own; Stop aborts the stream and joins the thread.
class CPlayThread {
public:
    ~CPlayThread() { Stop(); }
    // Runs feed(stream) on the thread; the stream is closed after Stop.
    template <class Fn>
    void Begin(std::unique_ptr<wave::IWaveStream> stream, Fn feed) {
        m_stream = std::move(stream);
        m_bPlaying = true;
        m_thread = std::thread([this, feed, out = m_stream.get()] {
            feed(*out);
            m_bPlaying = false;
        });
    }
    void Stop();
    bool IsPlaying() const { return m_bPlaying; }

private:
    std::unique_ptr<wave::IWaveStream> m_stream;
    std::thread m_thread;
    std::atomic<bool> m_bPlaying{false};
};

// One sound at a time, as the system's sound player. Not thread-safe: used from one thread.
class CWavPlayer {
public:
    // Stops what plays and starts the file; false at once when it cannot be read or the output
    // is busy (error in LastError).
    bool PlayAsync(const std::string& fsPath);
    void Stop();
    bool IsPlaying() const { return m_play.IsPlaying(); }
    const std::string& LastError() const { return m_strError; }

private:
    CPlayThread m_play;
    std::string m_strError;
};

// The MIDI sequencer: open a file, play it from the start, stop, close.
class CMidiPlayer {
public:
    // False when the file is not a MIDI file.
    bool Open(const std::string& fsPath);
    // Plays the open file from the start (stopping an earlier play); false when nothing is open,
    // the sound font is missing or the output cannot be opened.
    bool Play();
    void Stop();
    void Close();
    bool IsOpen() const { return !m_strPath.empty(); }
    bool IsPlaying() const { return m_play.IsPlaying(); }
    const std::string& LastError() const { return m_strError; }

    // The GM sound font used ("/usr/share/sounds/sf2/default-GM.sf2").
    static std::string SoundFont();

private:
    std::string m_strPath;
    CPlayThread m_play;
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
