#include "AmrCodec.h"

#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>
#include <sndfile.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace amr {

namespace {

// Payload bytes per frame type (RFC 4867, octet-aligned storage); -1: not allowed in a file.
constexpr int kPayload[16] = {12, 13, 15, 17, 19, 20, 26, 31, 5, -1, -1, -1, -1, -1, -1, 0};

std::string TempBeside(const std::string& path) {
    return path + ".tmp" + std::to_string(::getpid());
}

bool Publish(const std::string& tmp, const std::string& path, std::string& error) {
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

int ModeByName(const std::string& name) {
    static const char* const kNames[] = {"MR475", "MR515", "MR59", "MR67", "MR74", "MR795", "MR102", "MR122"};
    for (int i = 0; i < 8; ++i)
        if (name == kNames[i]) return i;
    return -1;
}

int FrameBytes(int frameType) {
    if (frameType < 0 || frameType > 15 || kPayload[frameType] < 0) return 0;
    return kPayload[frameType] + 1;
}

std::string Encode(const std::vector<std::int16_t>& samples, int mode) {
    std::string out = kMagic;
    void* enc = Encoder_Interface_init(0);
    short frame[kFrameSamples];
    unsigned char buf[64];
    out.reserve(out.size() + (samples.size() / kFrameSamples + 1) * 32);
    for (std::size_t pos = 0; pos < samples.size(); pos += kFrameSamples) {
        const std::size_t n = std::min<std::size_t>(kFrameSamples, samples.size() - pos);
        std::memcpy(frame, samples.data() + pos, n * sizeof(short));
        if (n < kFrameSamples) std::memset(frame + n, 0, (kFrameSamples - n) * sizeof(short));
        const int len = Encoder_Interface_Encode(enc, static_cast<Mode>(mode), frame, buf, 0);
        if (len > 0) out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(len));
    }
    Encoder_Interface_exit(enc);
    return out;
}

bool Decode(const std::string& file, std::vector<std::int16_t>& samples, std::string& error) {
    samples.clear();
    if (file.compare(0, kMagic.size(), kMagic) != 0) {
        error = "not an AMR-NB file (no \"#!AMR\" header)";
        return false;
    }
    // Check every frame before decoding any, so a bad file yields nothing.
    std::size_t frames = 0;
    for (std::size_t pos = kMagic.size(); pos < file.size(); ++frames) {
        const int type = (static_cast<unsigned char>(file[pos]) >> 3) & 0x0F;
        const int bytes = FrameBytes(type);
        if (bytes == 0) {
            error = "bad frame type " + std::to_string(type) + " at byte " + std::to_string(pos);
            return false;
        }
        if (file.size() - pos < static_cast<std::size_t>(bytes)) {
            error = "file cut inside the frame at byte " + std::to_string(pos);
            return false;
        }
        pos += static_cast<std::size_t>(bytes);
    }
    samples.resize(frames * kFrameSamples);
    void* dec = Decoder_Interface_init();
    std::size_t pos = kMagic.size();
    for (std::size_t i = 0; i < frames; ++i) {
        const int type = (static_cast<unsigned char>(file[pos]) >> 3) & 0x0F;
        Decoder_Interface_Decode(dec, reinterpret_cast<const unsigned char*>(file.data() + pos),
                                 samples.data() + i * kFrameSamples, 0);
        pos += static_cast<std::size_t>(FrameBytes(type));
    }
    Decoder_Interface_exit(dec);
    return true;
}

bool ReadPcmWav(const std::string& path, std::vector<std::int16_t>& samples, std::string& error) {
    samples.clear();
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    if (major != SF_FORMAT_WAV || sub != SF_FORMAT_PCM_16 || info.samplerate != kRate || info.channels != 1) {
        error = path + ": not an 8000 Hz 16-bit mono PCM WAV file (" + std::to_string(info.samplerate) +
                " Hz, " + std::to_string(info.channels) + " channel(s))";
        sf_close(sf);
        return false;
    }
    short buf[4096];
    sf_count_t n;
    while ((n = sf_read_short(sf, buf, 4096)) > 0) samples.insert(samples.end(), buf, buf + n);
    const int err = sf_error(sf);
    sf_close(sf);
    if (err != SF_ERR_NO_ERROR) {
        error = path + ": " + sf_error_number(err);
        return false;
    }
    return true;
}

bool WritePcmWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string& error) {
    const std::string tmp = TempBeside(path);
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(tmp.c_str(), SFM_WRITE, &info);
    if (!sf) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    const sf_count_t wrote = sf_write_short(sf, samples.data(), static_cast<sf_count_t>(samples.size()));
    const bool ok = wrote == static_cast<sf_count_t>(samples.size());
    if (!ok) error = path + ": " + sf_strerror(sf);
    if (sf_close(sf) != 0 || !ok) {
        if (error.empty()) error = path + ": write failed";
        std::remove(tmp.c_str());
        return false;
    }
    return Publish(tmp, path, error);
}

bool WriteFileWhole(const std::string& path, const std::string& data, std::string& error) {
    const std::string tmp = TempBeside(path);
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0 || !ok) {
        error = path + ": write failed";
        std::remove(tmp.c_str());
        return false;
    }
    return Publish(tmp, path, error);
}

}  // namespace amr
