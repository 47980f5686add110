#include "AmrCodec.h"

#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>
#include <sndfile.h>
#include <dlfcn.h>
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

namespace {

// libsndfile is loaded when a WAV is read, so a conversion to WAV starts without it and
// the dozen codec libraries it brings along.
struct SndFileApi {
    decltype(&sf_open) open = nullptr;
    decltype(&sf_read_short) readShort = nullptr;
    decltype(&sf_close) close = nullptr;
    decltype(&sf_strerror) strError = nullptr;
    decltype(&sf_error) error = nullptr;
    decltype(&sf_error_number) errorNumber = nullptr;
};

const SndFileApi* SndFile() {
    static const SndFileApi api = [] {
        SndFileApi a;
        void* h = ::dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!h) return a;
        a.open = reinterpret_cast<decltype(&sf_open)>(::dlsym(h, "sf_open"));
        a.readShort = reinterpret_cast<decltype(&sf_read_short)>(::dlsym(h, "sf_read_short"));
        a.close = reinterpret_cast<decltype(&sf_close)>(::dlsym(h, "sf_close"));
        a.strError = reinterpret_cast<decltype(&sf_strerror)>(::dlsym(h, "sf_strerror"));
        a.error = reinterpret_cast<decltype(&sf_error)>(::dlsym(h, "sf_error"));
        a.errorNumber = reinterpret_cast<decltype(&sf_error_number)>(::dlsym(h, "sf_error_number"));
        return a;
    }();
    return api.open && api.readShort && api.close && api.strError && api.error && api.errorNumber ? &api : nullptr;
}

}  // namespace

bool ReadPcmWav(const std::string& path, std::vector<std::int16_t>& samples, std::string& error) {
    samples.clear();
    const SndFileApi* sf = SndFile();
    if (!sf) {
        error = std::string("libsndfile cannot be loaded: ") + ::dlerror();
        return false;
    }
    SF_INFO info{};
    SNDFILE* f = sf->open(path.c_str(), SFM_READ, &info);
    if (!f) {
        error = path + ": " + sf->strError(nullptr);
        return false;
    }
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    if (major != SF_FORMAT_WAV || sub != SF_FORMAT_PCM_16 || info.samplerate != kRate || info.channels != 1) {
        error = path + ": not an 8000 Hz 16-bit mono PCM WAV file (" + std::to_string(info.samplerate) +
                " Hz, " + std::to_string(info.channels) + " channel(s))";
        sf->close(f);
        return false;
    }
    short buf[4096];
    sf_count_t n;
    while ((n = sf->readShort(f, buf, 4096)) > 0) samples.insert(samples.end(), buf, buf + n);
    const int err = sf->error(f);
    sf->close(f);
    if (err != SF_ERR_NO_ERROR) {
        error = path + ": " + sf->errorNumber(err);
        return false;
    }
    return true;
}

bool WritePcmWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string& error) {
    const std::uint32_t bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out;
    out.reserve(44 + bytes);
    auto le = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    out += "RIFF";
    le(36 + bytes, 4);
    out += "WAVEfmt ";
    le(16, 4);
    le(1, 2);          // PCM
    le(1, 2);          // mono
    le(kRate, 4);
    le(kRate * 2, 4);  // bytes per second
    le(2, 2);          // block align
    le(16, 2);         // bits
    out += "data";
    le(bytes, 4);
    for (std::int16_t v : samples) le(static_cast<std::uint16_t>(v), 2);
    return WriteFileWhole(path, out, error);
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
