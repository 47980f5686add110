#include "platform/TextCodec.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace codec {
namespace {

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// One descriptor per direction and thread; iconv_t is not safe to share.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    }
    ~Iconv() { iconv_close(cd_); }
    iconv_t get() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        return cd_;
    }

private:
    iconv_t cd_;
};

iconv_t ToGbkCd() {
    thread_local Iconv cd("CP936", "UTF-8");
    return cd.get();
}
iconv_t FromGbkCd() {
    thread_local Iconv cd("UTF-8", "CP936");
    return cd.get();
}

std::size_t Utf8CharLen(std::string_view s, std::size_t pos) {
    const auto c = static_cast<unsigned char>(s[pos]);
    std::size_t n = 1;
    if (c >= 0xF0 && c <= 0xF4) n = 4;
    else if (c >= 0xE0) n = (c <= 0xEF) ? 3 : 1;
    else if (c >= 0xC2) n = 2;
    if (pos + n > s.size()) return 1;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 1;
    return n;
}

// Converts in with cd; on a bad sequence writes "?" and skips skipLen(in, pos) bytes.
template <typename SkipFn>
std::string Convert(iconv_t cd, std::string_view in, SkipFn skipLen) {
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    while (srcLeft > 0) {
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: one "?" for the bad character, then go on.
        if (dstLeft < 1) {
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
        }
        *dst++ = '?';
        --dstLeft;
        const std::size_t pos = in.size() - srcLeft;
        std::size_t skip = skipLen(in, pos);
        if (skip == 0 || skip > srcLeft) skip = srcLeft;
        src += skip;
        srcLeft -= skip;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return out;
}

// GBK width of the UTF-8 character at pos, past the common cases; see GbkWidthAt.
std::size_t GbkWidthSlow(std::string_view s, std::size_t pos, std::size_t& len) {
    const auto c0 = static_cast<unsigned char>(s[pos]);
    len = Utf8CharLen(s, pos);
    if (len == 1) return 1;  // an invalid byte: one "?"
    std::uint32_t cp = 0;
    if (len == 2) {
        cp = ((c0 & 0x1Fu) << 6) | (static_cast<unsigned char>(s[pos + 1]) & 0x3Fu);
    } else if (len == 3) {
        cp = ((c0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[pos + 1]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(s[pos + 2]) & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0;  // overlong or a surrogate
    }
    if (cp == 0) return Convert(ToGbkCd(), s.substr(pos, len), Utf8CharLen).size();
    static std::atomic<unsigned char> widths[0x10000];  // 0: not known yet
    unsigned char w = widths[cp].load(std::memory_order_relaxed);
    if (w == 0) {
        w = static_cast<unsigned char>(Convert(ToGbkCd(), s.substr(pos, len), Utf8CharLen).size());
        widths[cp].store(w, std::memory_order_relaxed);
    }
    return w;
}

// GBK width of one UTF-8 character (what ToGbk makes of it alone: 2, or 1 for ASCII, a
// one-byte character and "?"); len gets its UTF-8 length. The widths of other BMP characters
// are remembered once found.
inline std::size_t GbkWidthAt(std::string_view s, std::size_t pos, std::size_t& len) {
    const auto c0 = static_cast<unsigned char>(s[pos]);
    if (c0 < 0x80) {
        len = 1;
        return 1;
    }
    // A three-byte character of the CJK block U+4E00..U+9FA5, all of which GBK holds.
    if (c0 >= 0xE4 && c0 <= 0xE9 && pos + 2 < s.size()) {
        const auto c1 = static_cast<unsigned char>(s[pos + 1]), c2 = static_cast<unsigned char>(s[pos + 2]);
        if ((c1 & 0xC0) == 0x80 && (c2 & 0xC0) == 0x80 && (c0 != 0xE4 || c1 >= 0xB8) &&
            (c0 != 0xE9 || c1 < 0xBE || (c1 == 0xBE && c2 <= 0xA5))) {
            len = 3;
            return 2;
        }
    }
    return GbkWidthSlow(s, pos, len);
}

}  // namespace

std::string ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Convert(ToGbkCd(), utf8, Utf8CharLen);
}

namespace {
// The UTF-8 form of every GBK character, found once through iconv: one entry per single byte
// 0x80-0xFF, then one per lead 0x81-0xFE and trail 0x40-0xFF. An entry holds the UTF-8 length
// (0: no character) and its bytes.
class GbkTable {
public:
    GbkTable() {
        for (int b = 0x80; b <= 0xFF; ++b) Fill(single_[b - 0x80], std::string(1, static_cast<char>(b)));
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFF; ++trail)
                Fill(double_[(lead - 0x81) * kTrails + (trail - 0x40)],
                     std::string{static_cast<char>(lead), static_cast<char>(trail)});
    }
    // Appends the UTF-8 form of gbk; an invalid byte, or a character cut off at the end, is one
    // "?" and the next byte goes on.
    // Writes the UTF-8 form of gbk from byte i on at to, while limit leaves room for one more
    // character; returns the end, and i where it stopped. An invalid byte, or a character cut
    // off at the end, is one "?" and the next byte goes on.
    char* Write(char* to, const char* limit, std::string_view gbk, std::size_t& i) const {
        const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
        const std::size_t n = gbk.size();
        while (i < n && limit - to >= 4) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                *to++ = static_cast<char>(b);
                ++i;
                continue;
            }
            if (b >= 0x81 && b <= 0xFE && i + 1 < n && p[i + 1] >= 0x40) {
                const Entry& e = double_[(b - 0x81) * kTrails + (p[i + 1] - 0x40)];
                if (e.len) {
                    std::memcpy(to, e.utf8, 4);
                    to += e.len;
                    i += 2;
                    continue;
                }
            }
            const Entry& e = single_[b - 0x80];
            if (e.len) {
                std::memcpy(to, e.utf8, 4);
                to += e.len;
            } else {
                *to++ = '?';
            }
            ++i;
        }
        return to;
    }

private:
    struct Entry {
        unsigned char len = 0;
        char utf8[4] = {};
    };
    static constexpr int kTrails = 0x100 - 0x40;
    // The character the bytes make as a whole, if any.
    static void Fill(Entry& e, const std::string& gbk) {
        iconv_t cd = FromGbkCd();
        char* src = const_cast<char*>(gbk.data());
        std::size_t srcLeft = gbk.size();
        char buf[8];
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft) return;
        const auto len = static_cast<std::size_t>(dst - buf);
        if (len == 0 || len > sizeof e.utf8) return;
        std::memcpy(e.utf8, buf, len);
        e.len = static_cast<unsigned char>(len);
    }
    Entry single_[0x80];
    Entry double_[(0xFE - 0x81 + 1) * kTrails];
};

const GbkTable& Gbk() {
    static const GbkTable table;
    return table;
}
}  // namespace

char* WriteFromGbk(char* to, std::string_view gbk) {
    std::size_t i = 0;
    // Each byte gives at most three bytes, and the last character's copy four.
    return Gbk().Write(to, to + kMaxUtf8PerGbkByte * gbk.size() + 1, gbk, i);
}

void AppendFromGbk(std::string& out, std::string_view gbk) {
    if (IsAscii(gbk)) {
        out.append(gbk);
        return;
    }
    // Through a buffer on the stack, a piece at a time: no room to clear in out.
    char buf[1024];
    for (std::size_t i = 0; i < gbk.size();) {
        const char* end = Gbk().Write(buf, buf + sizeof buf, gbk, i);
        out.append(buf, static_cast<std::size_t>(end - buf));
    }
}

std::string FromGbk(std::string_view gbk) {
    std::string out;
    AppendFromGbk(out, gbk);
    return out;
}

std::string FromGbkField(const char* field, std::size_t width) {
    const void* nul = std::memchr(field, '\0', width);
    const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    return FromGbk(std::string_view(field, len));
}

std::size_t GbkLength(std::string_view utf8) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t len = 1;
        n += GbkWidthAt(utf8, pos, len);
        pos += len;
    }
    return n;
}

std::size_t GbkCharLen(std::string_view gbk, std::size_t pos) {
    if (pos >= gbk.size()) return 0;
    const auto lead = static_cast<unsigned char>(gbk[pos]);
    if (lead >= 0x81 && lead <= 0xFE && pos + 1 < gbk.size()) {
        const auto trail = static_cast<unsigned char>(gbk[pos + 1]);
        if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
    }
    return 1;
}

std::string_view CutGbkBytes(std::string_view gbk, std::size_t maxBytes) {
    if (gbk.size() <= maxBytes) return gbk;
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        const std::size_t n = GbkCharLen(gbk, pos);
        if (pos + n > maxBytes) break;
        pos += n;
    }
    return gbk.substr(0, pos);
}

std::size_t GbkPrefixLength(std::string_view utf8, std::size_t maxBytes, std::size_t* gbkLength) {
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t n = 1;
        const std::size_t w = GbkWidthAt(utf8, pos, n);
        if (used + w > maxBytes) break;
        used += w;
        pos += n;
    }
    if (gbkLength) *gbkLength = used;
    return pos;
}

std::string CutToGbkBytes(std::string_view utf8, std::size_t maxBytes) {
    return std::string(utf8.substr(0, GbkPrefixLength(utf8, maxBytes)));
}

std::size_t GbkFind(std::string_view gbk, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= gbk.size() ? from : std::string_view::npos;
    std::size_t pos = 0;
    while (pos < from && pos < gbk.size()) pos += GbkCharLen(gbk, pos);
    while (pos + needle.size() <= gbk.size()) {
        if (gbk.compare(pos, needle.size(), needle) == 0) return pos;
        pos += GbkCharLen(gbk, pos);
    }
    return std::string_view::npos;
}

std::string TrimAsciiSpace(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsAsciiSpace(s[b])) ++b;
    while (e > b && IsAsciiSpace(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::string AsciiLower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

QByteArray ToGbkQ(const QString& s) {
    const std::string g = ToGbk(s.toStdString());
    return QByteArray(g.data(), qsizetype(g.size()));
}

QString FromGbkQ(const QByteArray& gbk) {
    return ToQ(FromGbk(std::string_view(gbk.constData(), std::size_t(gbk.size()))));
}

}  // namespace codec
