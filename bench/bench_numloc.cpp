// Number-location lookups over the generated files, each against reading the files whole.
#include "contacts/NumberLocation.h"
#include "platform/AppPath.h"
#include "platform/TextCodec.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string Whole(const char* name) {
    std::ifstream in(paths::AppFile(name), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
uint32_t U32(const std::string& s, std::size_t pos) {
    uint32_t v;
    std::memcpy(&v, s.data() + pos, 4);
    return v;
}
// Baseline: both files read whole, the first record whose field (0 prefix, 1 area) matches.
void BaselineLookup(int field, uint32_t value, benchmark::State& st) {
    for (auto _ : st) {
        const std::string index = Whole("index.dat"), addr = Whole("addr.dat");
        std::string city;
        for (std::size_t p = 0; p + 16 <= index.size(); p += 16)
            if (U32(index, p + 4 * field) == value) {
                city = codec::FromGbkField(addr.data() + U32(index, p + 12) + 24, 24);
                break;
            }
        benchmark::DoNotOptimize(city);
    }
}
void BM_LookupPrefixLast(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(numloc::LookupPrefix("1399999"));
}
void BM_BaselinePrefixLast(benchmark::State& st) { BaselineLookup(0, 1399999, st); }
void BM_LookupPrefixMiddle(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(numloc::LookupPrefix("1350000"));
}
void BM_BaselinePrefixMiddle(benchmark::State& st) { BaselineLookup(0, 1350000, st); }
void BM_LookupAreaNone(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(numloc::LookupAreaCode("9999"));
}
void BM_BaselineAreaNone(benchmark::State& st) { BaselineLookup(1, 9999, st); }
void BM_SegmentsBeijing(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(numloc::FindSegments("北京", 1300000, 1399999));
}
void BM_BaselineSegmentsBeijing(benchmark::State& st) {
    for (auto _ : st) {
        const std::string index = Whole("index.dat"), addr = Whole("addr.dat");
        std::vector<uint32_t> found;
        for (std::size_t p = 0; p + 16 <= index.size(); p += 16)
            if (codec::FromGbkField(addr.data() + U32(index, p + 12) + 24, 24).find("北京") != std::string::npos)
                found.push_back(U32(index, p));
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_LookupPrefixLast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BaselinePrefixLast)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupPrefixMiddle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BaselinePrefixMiddle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupAreaNone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BaselineAreaNone)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SegmentsBeijing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaselineSegmentsBeijing)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    g_strAppPath = paths::ExecutableFolder() + "/../app";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
