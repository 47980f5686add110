// Length of a standard MIDI file: every track walked event by event, the tempo changes merged
// into one map. Every read is bounded by the track and the file.
#include "platform/SoundPlayer.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>

namespace sound {

namespace {

std::uint32_t Be(const unsigned char* p, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

class Track {
public:
    Track(const unsigned char* p, std::size_t n) : m_p(p), m_n(n) {}
    bool End() const { return m_pos >= m_n; }
    bool Byte(unsigned& b) {
        if (m_pos >= m_n) return false;
        b = m_p[m_pos++];
        return true;
    }
    // A variable-length quantity of at most four bytes.
    bool Var(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            unsigned b;
            if (!Byte(b)) return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool Skip(std::uint32_t k) {
        if (k > m_n - m_pos) return false;
        m_pos += k;
        return true;
    }
    const unsigned char* Here() const { return m_p + m_pos; }

private:
    const unsigned char* m_p;
    std::size_t m_n, m_pos = 0;
};

// Walks one track: its last tick, and its tempo changes into the map.
std::uint64_t WalkTrack(Track t, std::map<std::uint64_t, std::uint32_t>& tempos) {
    std::uint64_t tick = 0, last = 0;
    unsigned status = 0;
    while (!t.End()) {
        std::uint32_t delta;
        if (!t.Var(delta)) break;
        tick += delta;
        unsigned b;
        if (!t.Byte(b)) break;
        if (b == 0xFF) {
            unsigned type;
            std::uint32_t len;
            if (!t.Byte(type) || !t.Var(len)) break;
            if (type == 0x51 && len == 3) {
                const unsigned char* p = t.Here();
                if (!t.Skip(3)) break;
                tempos[tick] = Be(p, 3);
            } else if (!t.Skip(len)) {
                break;
            }
            last = tick;
            if (type == 0x2F) break;  // end of track
            status = 0;
            continue;
        }
        if (b == 0xF0 || b == 0xF7) {
            std::uint32_t len;
            if (!t.Var(len) || !t.Skip(len)) break;
            last = tick;
            status = 0;
            continue;
        }
        unsigned data1;
        if (b & 0x80) {
            status = b;
            if (!t.Byte(data1)) break;
        } else {
            if (!status) break;  // running status without a status
            data1 = b;
        }
        const unsigned kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0 && !t.Skip(1)) break;
        last = tick;
    }
    return last;
}

}  // namespace

long long MidiLengthMsOfBytes(const std::string& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (n < 14 || std::string_view(bytes.data(), 4) != "MThd") return -1;
    const std::uint32_t hlen = Be(p + 4, 4);
    if (hlen < 6 || hlen > n - 8) return -1;
    const unsigned format = Be(p + 8, 2), tracks = Be(p + 10, 2), division = Be(p + 12, 2);
    if (format > 1 || tracks == 0 || division == 0) return -1;
    std::map<std::uint64_t, std::uint32_t> tempos;
    std::uint64_t endTick = 0;
    std::size_t pos = 8 + hlen;
    unsigned found = 0;
    while (found < tracks && n - pos >= 8) {
        const std::uint32_t len = Be(p + pos + 4, 4);
        const bool isTrack = std::string_view(bytes.data() + pos, 4) == "MTrk";
        pos += 8;
        const std::size_t have = std::min<std::size_t>(len, n - pos);  // a cut track up to its cut
        if (isTrack) {
            endTick = std::max(endTick, WalkTrack(Track(p + pos, have), tempos));
            ++found;
        }
        pos += have;
    }
    if (found == 0) return -1;
    if (division & 0x8000) {  // SMPTE: frames per second and ticks per frame
        int fps = 256 - static_cast<int>(division >> 8);
        const double rate = fps == 29 ? 29.97 : fps;
        const unsigned tpf = division & 0xFF;
        if (fps <= 0 || tpf == 0) return -1;
        return static_cast<long long>(static_cast<double>(endTick) * 1000.0 / (rate * tpf));
    }
    // PPQN: microseconds per quarter note, 500000 until the first change.
    double us = 0;
    std::uint64_t at = 0;
    std::uint32_t tempo = 500000;
    for (const auto& [tick, t] : tempos) {
        if (tick >= endTick) break;
        us += static_cast<double>(tick - at) * tempo / division;
        at = tick;
        tempo = t;
    }
    us += static_cast<double>(endTick - at) * tempo / division;
    return static_cast<long long>(us / 1000.0);
}

long long MidiLengthMs(const std::string& fsPath) {
    std::ifstream in(fsPath, std::ios::binary);
    if (!in) return -1;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > (64 << 20)) return -1;
    in.seekg(0);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return MidiLengthMsOfBytes(data);
}

}  // namespace sound
