// Save and Open of a 20-frame package of 2 MB against a plain copy of the same bytes.
#include "compose/MMSPackage.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

struct Setup {
    QTemporaryDir dir;
    std::string root = dir.path().toStdString();
    CMMSPackage pkg;
    Setup() {
        fs::create_directories(root + "/work");
        pkg.m_strWorkFolder = root + "/work";
        pkg.New();
        const std::string data(100000, 'd');
        for (int f = 0; f < mmspkg::kFrameCount; ++f) {
            const std::string src = root + "/s" + std::to_string(f) + ".3gp";
            std::ofstream(src, std::ios::binary) << data;
            pkg.SetVideo(f, src);
        }
        pkg.Save(root + "/p.qmx", 0);
    }
};

Setup& S() {
    static Setup s;
    return s;
}

void BM_Save(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(S().pkg.Save(S().root + "/p.qmx", 0));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(fs::file_size(S().root + "/p.qmx")));
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& st) {
    CMMSPackage reader;
    reader.m_strWorkFolder = S().root + "/work2";
    fs::create_directories(reader.m_strWorkFolder);
    for (auto _ : st) benchmark::DoNotOptimize(reader.Open(S().root + "/p.qmx"));
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_PlainCopy(benchmark::State& st) {
    for (auto _ : st)
        fs::copy_file(S().root + "/p.qmx", S().root + "/copy.qmx", fs::copy_options::overwrite_existing);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
