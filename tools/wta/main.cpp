// wta wav2amr <wav> <amr> [mode]   8000 Hz 16-bit mono WAV to AMR-NB (mode MR102 by default)
// wta amr2wav <amr> <wav> [mode]   AMR-NB to 8000 Hz 16-bit mono WAV (the mode is not needed)
// Exit 0 on success; otherwise a message on stderr, exit 1 and no output file.
#include "AmrCodec.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int Fail(const std::string& text) {
    std::fprintf(stderr, "wta: %s\n", text.c_str());
    return 1;
}

int Usage() {
    return Fail("usage: wta wav2amr <wav> <amr> [MR475..MR122] | wta amr2wav <amr> <wav> [mode]");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) return Usage();
    const std::string cmd = argv[1], in = argv[2], out = argv[3];
    int mode = 6;  // MR102
    if (argc == 5 && (mode = amr::ModeByName(argv[4])) < 0) return Fail(std::string("unknown mode ") + argv[4]);
    std::string error;
    if (cmd == "wav2amr") {
        std::vector<std::int16_t> samples;
        if (!amr::ReadPcmWav(in, samples, error)) return Fail(error);
        if (!amr::WriteFileWhole(out, amr::Encode(samples, mode), error)) return Fail(error);
        return 0;
    }
    if (cmd == "amr2wav") {
        std::ifstream f(in, std::ios::binary);
        if (!f) return Fail(in + ": cannot be opened");
        const std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        std::vector<std::int16_t> samples;
        if (!amr::Decode(data, samples, error)) return Fail(in + ": " + error);
        if (!amr::WritePcmWav(out, samples, error)) return Fail(error);
        return 0;
    }
    return Usage();
}
