#pragma once
// Sound test data: tones as 16-bit samples, WAV files and MIDI files built byte by byte.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace soundfix {

inline std::vector<std::int16_t> Tone(double seconds, double hz = 440.0, int rate = 8000, double amp = 8000) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(amp * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate));
    return s;
}

inline std::string Bytes(const std::vector<std::int16_t>& s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
}

inline std::vector<std::int16_t> Samples(const std::string& bytes) {
    std::vector<std::int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

inline void Le(std::string& o, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) o += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A canonical 44-byte-header PCM WAV.
inline std::string Wav(const std::string& pcm, int rate = 8000, int channels = 1, int bits = 16) {
    std::string o = "RIFF";
    Le(o, static_cast<std::uint32_t>(36 + pcm.size()), 4);
    o += "WAVEfmt ";
    Le(o, 16, 4);
    Le(o, 1, 2);
    Le(o, static_cast<std::uint32_t>(channels), 2);
    Le(o, static_cast<std::uint32_t>(rate), 4);
    Le(o, static_cast<std::uint32_t>(rate * channels * bits / 8), 4);
    Le(o, static_cast<std::uint32_t>(channels * bits / 8), 2);
    Le(o, static_cast<std::uint32_t>(bits), 2);
    o += "data";
    Le(o, static_cast<std::uint32_t>(pcm.size()), 4);
    return o + pcm;
}

// Largest normalised cross-correlation of b against a over lags 0..maxLag.
inline double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b, int maxLag = 400) {
    double best = 0;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i + lag < b.size() && i < a.size(); ++i) {
            const double x = a[i], y = b[i + static_cast<std::size_t>(lag)];
            ab += x * y;
            aa += x * x;
            bb += y * y;
        }
        if (aa > 0 && bb > 0) best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

inline bool AnyNonZero(const std::string& pcm) {
    for (std::int16_t v : Samples(pcm))
        if (v != 0) return true;
    return false;
}

// MIDI building blocks.
inline std::string Be(std::uint32_t v, int n) {
    std::string o;
    for (int i = n - 1; i >= 0; --i) o += static_cast<char>((v >> (8 * i)) & 0xFF);
    return o;
}
inline std::string Var(std::uint32_t v) {
    std::string o(1, static_cast<char>(v & 0x7F));
    while (v >>= 7) o.insert(o.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    return o;
}
inline std::string Track(const std::string& events) { return "MTrk" + Be(static_cast<std::uint32_t>(events.size()), 4) + events; }
inline std::string Header(int format, int tracks, int division) {
    return "MThd" + Be(6, 4) + Be(static_cast<std::uint32_t>(format), 2) + Be(static_cast<std::uint32_t>(tracks), 2) +
           Be(static_cast<std::uint32_t>(division), 2);
}
inline std::string Tempo(std::uint32_t delta, std::uint32_t usPerQuarter) {
    return Var(delta) + std::string("\xFF\x51\x03", 3) + Be(usPerQuarter, 3);
}
inline std::string EndOfTrack(std::uint32_t delta) { return Var(delta) + std::string("\xFF\x2F\x00", 3); }
// A note of the given length in ticks, velocity 100, on channel 0.
inline std::string Note(std::uint32_t delta, std::uint32_t ticks, int key = 60) {
    return Var(delta) + std::string{'\x90', static_cast<char>(key), 100} + Var(ticks) +
           std::string{'\x80', static_cast<char>(key), 0};
}

}  // namespace soundfix
