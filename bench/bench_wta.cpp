// The converter against the bare codec loop: 60 s of speech-like sound each way, the program
// (start, file reading and writing) next to encoding or decoding the same samples in memory.
#include "AmrCodec.h"
#include "platform/Process.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <random>

namespace {

// A voiced sound with a wandering pitch, syllable-like envelopes and a little noise.
std::vector<std::int16_t> Speech(double seconds) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(seconds * amr::kRate));
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0, 300);
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / amr::kRate;
        const double pitch = 120 + 40 * std::sin(2 * M_PI * 0.7 * t);
        phase += 2 * M_PI * pitch / amr::kRate;
        const double env = std::max(0.0, std::sin(2 * M_PI * 2.5 * t));
        double v = 0;
        for (int h = 1; h <= 8; ++h) v += std::sin(h * phase) / h;
        s[i] = static_cast<std::int16_t>(std::clamp(4000 * env * v + noise(rng), -32768.0, 32767.0));
    }
    return s;
}

struct Files {
    QTemporaryDir dir;
    std::vector<std::int16_t> samples = Speech(60);
    std::string amrBytes = amr::Encode(samples, 6);
    std::string wav = dir.filePath("s.wav").toStdString();
    std::string amr = dir.filePath("s.amr").toStdString();
    std::string out = dir.filePath("o.wav").toStdString();
    Files() {
        std::string err;
        amr::WritePcmWav(wav, samples, err);
        amr::WriteFileWhole(amr, amrBytes, err);
    }
};

Files& F() {
    static Files f;
    return f;
}

const std::string kWta = std::string(SMS_APP_DIR) + "/wta";

void BM_WtaWav2Amr(benchmark::State& state) {
    for (auto _ : state)
        if (proc::Run(kWta, {"wav2amr", F().wav, F().dir.filePath("x.amr").toStdString(), "MR102"}) != 0)
            state.SkipWithError("wta failed");
}

void BM_CodecEncode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(amr::Encode(F().samples, 6));
}

void BM_WtaAmr2Wav(benchmark::State& state) {
    for (auto _ : state)
        if (proc::Run(kWta, {"amr2wav", F().amr, F().out, "MR102"}) != 0) state.SkipWithError("wta failed");
}

void BM_CodecDecode(benchmark::State& state) {
    std::vector<std::int16_t> pcm;
    std::string err;
    for (auto _ : state) benchmark::DoNotOptimize(amr::Decode(F().amrBytes, pcm, err));
}

BENCHMARK(BM_WtaWav2Amr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WtaAmr2Wav)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
