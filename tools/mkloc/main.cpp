// mkloc OUTDIR TABLE.txt: makes "index.dat", "addr.dat" and "add.dat" in OUTDIR from the UTF-8
// city table. The number segments are synthetic: every prefix 1300000..1399999 goes to a city by
// a fixed-seed shuffle of our own, so the same table gives the same bytes on every run.
// Each file is written beside its final name and renamed over it once complete (AtomicFileWriter).
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kFirstPrefix = 1300000;
constexpr uint32_t kPrefixCount = 100000;
constexpr uint32_t kChunk = 10;  // consecutive prefixes that go to one city
constexpr std::size_t kProvinceWidth = 24, kCityWidth = 24, kCardWidth = 20;
constexpr std::size_t kAddrRecord = kProvinceWidth + kCityWidth + kCardWidth;  // 68
constexpr std::size_t kAddTextLimit = 3000;

const char* const kCardTypes[] = {"联通GSM卡", "联通CDMA卡", "移动全球通卡", "移动神州行卡", "移动动感地带卡"};
constexpr int kCardTypeCount = 5;

struct City {
    std::string province, name;  // GBK
    uint32_t areaCode = 0, zipCode = 0;
    uint32_t weight = 1;
};

// Card type of a prefix: 130-133 Unicom, 134-139 Mobile.
int CardTypeOf(uint32_t prefix) {
    const uint32_t head = prefix / 10000;
    if (head <= 132) return 0;
    if (head == 133) return 1;
    return 2 + int((prefix / 100) % 3);
}

// Our own 32-bit generator (a linear congruential step, wrap-around arithmetic).
struct Lcg {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state;
    }
};

bool ParseNumber(const std::string& s, uint32_t& out) {
    if (s.empty() || s.size() > 9) return false;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint32_t(c - '0');
    }
    out = v;
    return true;
}

bool Fail(const std::string& msg) {
    std::fprintf(stderr, "mkloc: %s\n", msg.c_str());
    return false;
}

bool ReadTable(const char* path, std::vector<City>& cities) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(std::string("cannot read ") + path);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string province, name, area, zip, mark;
        fields >> province >> name >> area >> zip >> mark;
        City c;
        if (zip.empty() || area.size() < 3 || area[0] != '0' || !ParseNumber(area.substr(1), c.areaCode) ||
            zip.size() != 6 || !ParseNumber(zip, c.zipCode) || (!mark.empty() && mark != "*"))
            return Fail(std::string(path) + ":" + std::to_string(n) + ": bad line");
        c.province = codec::ToGbk(province);
        c.name = codec::ToGbk(name);
        if (c.province.size() >= kProvinceWidth || c.name.size() >= kCityWidth)
            return Fail(std::string(path) + ":" + std::to_string(n) + ": name too long");
        // The municipalities and the capitals get more segments than the other cities.
        c.weight = mark != "*" ? 1 : province == name ? 6 : 3;
        cities.push_back(std::move(c));
    }
    if (cities.empty()) return Fail(std::string(path) + ": no cities");
    return true;
}

// City index of every chunk of prefixes: each city gets chunks in proportion to its weight (at
// least one), then the chunk list is shuffled with the fixed-seed generator.
std::vector<uint32_t> AssignChunks(const std::vector<City>& cities) {
    const uint32_t chunks = kPrefixCount / kChunk;
    uint64_t total = 0;
    for (const City& c : cities) total += c.weight;
    std::vector<uint32_t> owner;
    owner.reserve(chunks);
    for (uint32_t i = 0; i < cities.size(); ++i) {
        const uint64_t share = std::max<uint64_t>(1, chunks * uint64_t(cities[i].weight) / total);
        for (uint64_t k = 0; k < share && owner.size() < chunks; ++k) owner.push_back(i);
    }
    for (uint32_t i = 0; owner.size() < chunks; i = (i + 1) % uint32_t(cities.size())) owner.push_back(i);
    Lcg rng{20061130u};
    for (uint32_t i = chunks - 1; i > 0; --i) {
        const uint32_t j = rng.Next() % (i + 1);
        std::swap(owner[i], owner[j]);
    }
    return owner;
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

void PutField(std::string& out, const std::string& gbk, std::size_t width) {
    out += gbk;
    out.append(width - gbk.size(), '\0');
}

bool WriteWhole(const std::string& path, const std::string& data) {
    files::AtomicFileWriter f(path);
    if (!f.Write(data) || !f.Commit()) return Fail("cannot write " + path);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkloc OUTDIR TABLE.txt\n");
        return 2;
    }
    const std::string outDir = argv[1];
    std::vector<City> cities;
    if (!ReadTable(argv[2], cities)) return 1;
    const std::vector<uint32_t> owner = AssignChunks(cities);

    // Which (city, card type) pairs occur, then one addr record per pair in table order.
    std::vector<std::vector<bool>> used(cities.size(), std::vector<bool>(kCardTypeCount, false));
    for (uint32_t i = 0; i < kPrefixCount; ++i) used[owner[i / kChunk]][CardTypeOf(kFirstPrefix + i)] = true;
    std::string addr;
    std::vector<std::vector<uint32_t>> offsetOf(cities.size(), std::vector<uint32_t>(kCardTypeCount, 0));
    for (std::size_t c = 0; c < cities.size(); ++c) {
        for (int t = 0; t < kCardTypeCount; ++t) {
            if (!used[c][t]) continue;
            offsetOf[c][t] = uint32_t(addr.size());
            PutField(addr, cities[c].province, kProvinceWidth);
            PutField(addr, cities[c].name, kCityWidth);
            PutField(addr, codec::ToGbk(kCardTypes[t]), kCardWidth);
        }
    }
    std::string index;
    index.reserve(kPrefixCount * 16);
    for (uint32_t i = 0; i < kPrefixCount; ++i) {
        const uint32_t prefix = kFirstPrefix + i;
        const City& c = cities[owner[i / kChunk]];
        PutU32(index, prefix);
        PutU32(index, c.areaCode);
        PutU32(index, c.zipCode);
        PutU32(index, offsetOf[owner[i / kChunk]][CardTypeOf(prefix)]);
    }
    std::string add;
    for (std::size_t c = 0; c < cities.size(); ++c) {
        if (c == 0 || cities[c].province != cities[c - 1].province) add += cities[c].province + "*";
        add += cities[c].name + "#";
    }
    if (add.size() > kAddTextLimit) {
        std::fprintf(stderr, "mkloc: add.dat would be %zu bytes, more than %zu\n", add.size(), kAddTextLimit);
        return 1;
    }
    if (addr.size() % kAddrRecord != 0) return 1;
    if (!WriteWhole(outDir + "/addr.dat", addr) || !WriteWhole(outDir + "/index.dat", index) ||
        !WriteWhole(outDir + "/add.dat", add))
        return 1;
    return 0;
}
