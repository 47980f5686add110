#include "contacts/NumberLocation.h"

#include "core/Helpers.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace numloc {

namespace {

constexpr std::size_t kProvinceWidth = 24, kCityWidth = 24, kCardWidth = 20;
constexpr std::size_t kIndexChunkRecords = 4096;

struct IndexRecord {
    uint32_t prefix7, areaCode, zipCode, offset;
};

uint32_t U32At(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void LogUnreadable(const std::string& name) {
    WriteRunLog("号码查询：无法读取文件 " + name + "（" + std::strerror(errno) + "）");
}

// One data file of the program folder, opened read-only for one query.
class DataFile {
public:
    explicit DataFile(const char* name) : name_(name), fd_(::open(paths::AppFile(name).c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~DataFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    int fd() const { return fd_; }
    // True when open; a missing or unopenable file is named in the run log.
    bool OpenOrLog() const {
        if (fd_ < 0) LogUnreadable(name_);
        return fd_ >= 0;
    }
    void LogReadError() const { LogUnreadable(name_); }

private:
    std::string name_;
    int fd_;
};

// Calls fn for every whole 16-byte record of "index.dat" in order until fn returns false.
// A trailing partial record is ignored. False on a read error (logged).
template <class Fn>
bool ScanIndex(const DataFile& index, Fn&& fn) {
    std::vector<unsigned char> buf(kIndexChunkRecords * kIndexRecord);
    std::size_t have = 0;
    for (;;) {
        const ssize_t n = ::read(index.fd(), buf.data() + have, buf.size() - have);
        if (n < 0) {
            if (errno == EINTR) continue;
            index.LogReadError();
            return false;
        }
        if (n == 0) return true;
        have += std::size_t(n);
        const std::size_t whole = have / kIndexRecord * kIndexRecord;
        for (std::size_t pos = 0; pos < whole; pos += kIndexRecord) {
            const unsigned char* p = buf.data() + pos;
            if (!fn(IndexRecord{U32At(p), U32At(p + 4), U32At(p + 8), U32At(p + 12)})) return true;
        }
        std::memmove(buf.data(), buf.data() + whole, have - whole);
        have -= whole;
    }
}

// Reads up to 68 bytes of "addr.dat" at offset into a zero-filled record; the bytes read (-1 on
// an error, logged).
ssize_t ReadAddr(const DataFile& addr, uint32_t offset, char (&rec)[kAddrRecord]) {
    std::memset(rec, 0, sizeof rec);
    std::size_t got = 0;
    if (!files::ReadFull(addr.fd(), rec, sizeof rec, got, offset)) {
        addr.LogReadError();
        return -1;
    }
    return ssize_t(got);
}

enum class Match { Prefix, AreaCode };

std::optional<NumberLocation> Lookup(Match by, const std::string& digits) {
    const std::optional<uint32_t> value = LeadingNumber(digits);
    DataFile index("index.dat"), addr("addr.dat");
    if (!index.OpenOrLog() || !addr.OpenOrLog() || !value) return std::nullopt;
    std::optional<IndexRecord> hit;
    if (!ScanIndex(index, [&](const IndexRecord& r) {
            if ((by == Match::Prefix ? r.prefix7 : r.areaCode) != *value) return true;
            hit = r;
            return false;
        }))
        return std::nullopt;
    if (!hit) return std::nullopt;
    char rec[kAddrRecord];
    if (ReadAddr(addr, hit->offset, rec) < 0) return std::nullopt;
    NumberLocation loc;
    loc.prefix7 = hit->prefix7;
    loc.areaCode = hit->areaCode;
    loc.zipCode = hit->zipCode;
    loc.province = codec::FromGbkField(rec, kProvinceWidth);
    loc.city = codec::FromGbkField(rec + kProvinceWidth, kCityWidth);
    loc.cardType = codec::FromGbkField(rec + kProvinceWidth + kCityWidth, kCardWidth);
    return loc;
}

}  // namespace

std::optional<uint32_t> LeadingNumber(const std::string& text) {
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        v = v * 10 + uint64_t(c - '0');
        if (v > UINT32_MAX) return std::nullopt;
    }
    return uint32_t(v);
}

std::optional<NumberLocation> LookupPrefix(const std::string& number) {
    return Lookup(Match::Prefix, number.substr(0, 7));
}

std::optional<NumberLocation> LookupAreaCode(const std::string& code) { return Lookup(Match::AreaCode, code); }

SegmentRange RangeFor(int nRange, const std::string& start, const std::string& end) {
    SegmentRange r;
    switch (nRange) {
    case 1:
        r.low = 1340000, r.high = 1399999;
        break;
    case 3:
        r.low = 1300000, r.high = 1339999;
        break;
    case 2: {
        // The edits take digits only, so a length of five is five digits.
        const auto fiveDigits = [](const std::string& s) {
            return s.size() == 5 && LeadingNumber(s) && s.find_first_not_of("0123456789") == std::string::npos;
        };
        if (!fiveDigits(start)) {
            r.error = "在起始号码框中请填5位数！";
            break;
        }
        if (!fiveDigits(end)) {
            r.error = "在结束号码框中请填5位数！";
            break;
        }
        r.low = *LeadingNumber("13" + start);
        r.high = *LeadingNumber("13" + end);
        if (r.high <= r.low) r.error = "结束号码应该大于起始号码！";
        break;
    }
    default:
        r.low = 1300000, r.high = 1399999;
        break;
    }
    return r;
}

std::vector<uint32_t> FindSegments(const std::string& name, uint32_t low, uint32_t high) {
    std::vector<uint32_t> found;
    DataFile index("index.dat"), addr("addr.dat");
    if (!index.OpenOrLog() || !addr.OpenOrLog()) return found;
    // "addr.dat" read once; each record is then taken from memory as a pread of it would give it.
    std::string all;
    for (char chunk[65536];;) {
        const ssize_t n = ::read(addr.fd(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            addr.LogReadError();
            return found;
        }
        if (n == 0) break;
        all.append(chunk, std::size_t(n));
    }
    ScanIndex(index, [&](const IndexRecord& r) {
        char rec[kAddrRecord] = {};
        const std::size_t got = r.offset < all.size() ? std::min(all.size() - r.offset, sizeof rec) : 0;
        std::memcpy(rec, all.data() + (got ? r.offset : 0), got);
        if (got < 4) return false;
        if (r.prefix7 < low || r.prefix7 > high) return true;
        if (codec::FromGbkField(rec + kProvinceWidth, kCityWidth).find(name) != std::string::npos)
            found.push_back(r.prefix7);
        return true;
    });
    return found;
}

std::string TotalText(std::size_t count) {
    return "总计：  " + std::to_string(count) + "个号码段   " + std::to_string(count * 10000ull) + "个号码";
}

std::vector<AreaItem> ParseAreaText(const std::string& gbk) {
    std::string_view text(gbk);
    text = text.substr(0, std::min(text.find('\0'), kAddTextLimit));
    std::vector<AreaItem> items;
    AreaItem* province = nullptr;
    for (;;) {
        const std::size_t star = codec::GbkFind(text, "*");
        const std::size_t hash = codec::GbkFind(text, "#");
        if (star == std::string_view::npos && hash == std::string_view::npos) break;
        const std::size_t at = std::min(star, hash);
        std::string piece = codec::FromGbk(text.substr(0, at));
        if (at == star) {
            items.push_back(AreaItem{std::move(piece), {}});
            province = &items.back();
        } else if (province) {
            province->children.push_back(std::move(piece));
        } else {
            items.push_back(AreaItem{std::move(piece), {}});
        }
        text.remove_prefix(at + 1);
    }
    return items;
}

std::vector<AreaItem> ReadAreaTree() {
    DataFile add("add.dat");
    if (add.fd() < 0) return {};
    std::string buf(kAddTextLimit, '\0');
    std::size_t got = 0;
    files::ReadFull(add.fd(), buf.data(), buf.size(), got);  // an error ends the text there
    buf.resize(got);
    return ParseAreaText(buf);
}

}  // namespace numloc
