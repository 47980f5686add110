// mkwavhdr <file>: writes "wh.dat", the header of an empty 8000 Hz 16-bit mono PCM WAV (44 bytes);
// its first 40 bytes run up to and including the "data" tag.
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
void Put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkwavhdr <file>\n");
        return 1;
    }
    unsigned char h[44] = {};
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36);  // RIFF size of an empty data chunk
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);      // PCM
    Put16(h + 22, 1);      // mono
    Put32(h + 24, 8000);   // samples per second
    Put32(h + 28, 16000);  // bytes per second
    Put16(h + 32, 2);      // block align
    Put16(h + 34, 16);     // bits
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, 0);
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(h, 1, sizeof h, f) != sizeof h || std::fclose(f) != 0) {
        std::fprintf(stderr, "mkwavhdr: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
