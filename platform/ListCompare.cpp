// The header-click order of list texts (declared in RowStore.h).
#include "platform/RowStore.h"
#include "platform/TextCodec.h"

#include <atomic>
#include <cstring>
#include <memory>

namespace rows {
namespace {

// GBK code of BMP characters: one byte (ASCII, the euro sign 0x80, "?" for a character GBK
// cannot hold) or two bytes with the lead byte high. Filled from the codec as characters are
// met; a race only computes the same value twice.
struct GbkTable {
    static constexpr std::uint16_t kUnknown = 0xFFFF;
    std::unique_ptr<std::atomic<std::uint16_t>[]> code{new std::atomic<std::uint16_t>[0x10000]};
    GbkTable() {
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp) code[cp].store(cp < 0x80 ? static_cast<std::uint16_t>(cp) : kUnknown, std::memory_order_relaxed);
    }
    std::uint16_t Of(std::uint32_t cp) const {
        std::uint16_t g = code[cp].load(std::memory_order_relaxed);
        if (g != kUnknown) return g;
        g = '?';
        if (cp < 0xD800 || cp > 0xDFFF) {
            std::string utf8;
            AppendUtf8(utf8, cp);
            const std::string gbk = codec::ToGbk(utf8);
            if (gbk.size() == 2) g = static_cast<std::uint16_t>((static_cast<unsigned char>(gbk[0]) << 8) | static_cast<unsigned char>(gbk[1]));
            else if (gbk.size() == 1) g = static_cast<unsigned char>(gbk[0]);
        }
        code[cp].store(g, std::memory_order_relaxed);
        return g;
    }
    static void AppendUtf8(std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
};

const GbkTable& Table() {
    static const GbkTable t;
    return t;
}

// The GBK bytes of a UTF-8 text, one at a time; -1 at the end.
class GbkBytes {
public:
    GbkBytes(std::string_view s, std::size_t pos, const GbkTable& t) : s_(s), p_(pos), t_(t) {}
    int Next() {
        if (trail_ >= 0) {
            const int b = trail_;
            trail_ = -1;
            return b;
        }
        if (p_ >= s_.size()) return -1;
        const auto c = static_cast<unsigned char>(s_[p_]);
        if (c < 0x80) {
            ++p_;
            return c;
        }
        std::uint32_t cp = 0;
        std::size_t n = 0;
        if (c >= 0xC2 && c <= 0xDF) cp = c & 0x1F, n = 2;
        else if (c >= 0xE0 && c <= 0xEF) cp = c & 0x0F, n = 3;
        else if (c >= 0xF0 && c <= 0xF4) cp = c & 0x07, n = 4;
        if (n == 0 || p_ + n > s_.size()) {
            ++p_;
            return '?';
        }
        for (std::size_t i = 1; i < n; ++i) {
            const auto cc = static_cast<unsigned char>(s_[p_ + i]);
            if ((cc & 0xC0) != 0x80) {
                ++p_;
                return '?';
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        p_ += n;
        if (cp > 0xFFFF) return '?';
        const std::uint16_t g = t_.Of(cp);
        if (g >= 0x8100) {
            trail_ = g & 0xFF;
            return g >> 8;
        }
        return g;
    }

private:
    std::string_view s_;
    std::size_t p_;
    const GbkTable& t_;
    int trail_ = -1;
};

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

bool IsListNumber(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int CompareListTexts(std::string_view a, std::string_view b) {
    if (IsListNumber(a) && IsListNumber(b)) {
        // Whole values of any length: drop leading zeros, then the longer is the larger.
        while (!a.empty() && a.front() == '0') a.remove_prefix(1);
        while (!b.empty() && b.front() == '0') b.remove_prefix(1);
        if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
        return Sign(a.compare(b));
    }
    return CompareGbkOrder(a, b);
}

int CompareGbkOrder(std::string_view a, std::string_view b) {
    // Same UTF-8 bytes are the same GBK bytes: start at the character where they first differ.
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    if (i == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca < 0x80 && cb < 0x80) return ca < cb ? -1 : 1;
    while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) --i;
    const GbkTable& t = Table();
    GbkBytes ga(a, i, t), gb(b, i, t);
    for (;;) {
        const int x = ga.Next(), y = gb.Next();
        if (x != y) return x < y ? -1 : 1;
        if (x < 0) return 0;
    }
}

}  // namespace rows
