#include "platform/SoundPlayer.h"

#include <fluidsynth.h>
#include <sndfile.h>

#include <vector>

namespace sound {

void CPlayThread::Stop() {
    if (m_stream) m_stream->Abort();
    if (m_thread.joinable()) m_thread.join();
    m_stream.reset();
    m_bPlaying = false;
}

bool CWavPlayer::PlayAsync(const std::string& fsPath) {
    Stop();
    m_strError.clear();
    SF_INFO info{};
    SNDFILE* sf = sf_open(fsPath.c_str(), SFM_READ, &info);
    if (!sf) {
        m_strError = fsPath + ": " + sf_strerror(nullptr);
        return false;
    }
    wave::PcmFormat fmt;
    fmt.rate = static_cast<unsigned>(info.samplerate);
    fmt.channels = static_cast<unsigned>(info.channels);
    fmt.bits = 16;
    wave::WaveError err;
    std::unique_ptr<wave::IWaveStream> stream = wave::Device()->OpenOutput(fmt, err);
    if (!stream) {
        m_strError = err.text;
        sf_close(sf);
        return false;
    }
    m_play.Begin(std::move(stream), [sf, channels = info.channels](wave::IWaveStream& out) {
        std::vector<short> buf(static_cast<std::size_t>(1024 * channels));
        sf_count_t n;
        bool ok = true;
        while (ok && (n = sf_readf_short(sf, buf.data(), 1024)) > 0)
            ok = out.Write(buf.data(), static_cast<std::size_t>(n * channels) * sizeof(short));
        if (ok) out.Drain();
        sf_close(sf);
    });
    return true;
}

void CWavPlayer::Stop() { m_play.Stop(); }

CWavPlayer& SystemSound() {
    static CWavPlayer player;
    return player;
}

std::string CMidiPlayer::SoundFont() { return "/usr/share/sounds/sf2/default-GM.sf2"; }

bool CMidiPlayer::Open(const std::string& fsPath) {
    Close();
    if (!fluid_is_midifile(fsPath.c_str())) {
        m_strError = fsPath + ": not a MIDI file";
        return false;
    }
    m_strPath = fsPath;
    return true;
}

bool CMidiPlayer::Play() {
    Stop();
    m_strError.clear();
    if (m_strPath.empty()) {
        m_strError = "no MIDI file is open";
        return false;
    }
    constexpr int kRate = 22050;
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kRate);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    // The player follows the rendered samples, not the clock: it renders as the output takes it.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = nullptr;
    auto cleanup = [&] {
        if (player) delete_fluid_player(player);
        if (synth) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    };
    if (!synth || fluid_synth_sfload(synth, SoundFont().c_str(), 1) == FLUID_FAILED) {
        m_strError = "the GM sound font " + SoundFont() + " cannot be loaded";
        cleanup();
        return false;
    }
    player = new_fluid_player(synth);
    if (!player || fluid_player_add(player, m_strPath.c_str()) != FLUID_OK) {
        m_strError = m_strPath + ": cannot be played";
        cleanup();
        return false;
    }
    wave::PcmFormat fmt;
    fmt.rate = kRate;
    fmt.channels = 2;
    wave::WaveError err;
    std::unique_ptr<wave::IWaveStream> stream = wave::Device()->OpenOutput(fmt, err);
    if (!stream) {
        m_strError = err.text;
        cleanup();
        return false;
    }
    fluid_player_play(player);
    m_play.Begin(std::move(stream), [settings, synth, player](wave::IWaveStream& out) {
        std::vector<short> buf(512 * 2);
        bool ok = true;
        while (ok && fluid_player_get_status(player) == FLUID_PLAYER_PLAYING) {
            fluid_synth_write_s16(synth, 512, buf.data(), 0, 2, buf.data(), 1, 2);
            ok = out.Write(buf.data(), buf.size() * sizeof(short));
        }
        if (ok) out.Drain();
        fluid_player_stop(player);
        delete_fluid_player(player);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    });
    return true;
}

void CMidiPlayer::Stop() { m_play.Stop(); }

void CMidiPlayer::Close() {
    Stop();
    m_strPath.clear();
}

long long WavLengthMs(const std::string& fsPath) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(fsPath.c_str(), SFM_READ, &info);
    if (!sf) return -1;
    sf_close(sf);
    if (info.samplerate <= 0) return -1;
    return static_cast<long long>(info.frames) * 1000 / info.samplerate;
}

}  // namespace sound
