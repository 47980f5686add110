#include "platform/XlsWriter.h"

#include "platform/AtomicFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>

namespace xls {
namespace {

constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;
constexpr std::size_t kLabelSstSize = 14;  // a LABELSST record, its header included

// Record types.
constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kCodePage = 0x0042, kWindow1 = 0x003D,
                        kFont = 0x0031, kXf = 0x00E0, kStyle = 0x0293, kBoundSheet = 0x0085,
                        kSst = 0x00FC, kContinue = 0x003C, kExtSst = 0x00FF,
                        kDimensions = 0x0200, kLabelSst = 0x00FD, kWindow2 = 0x023E;

// Compound file constants.
constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu, kEndOfChain = 0xFFFFFFFEu,
                        kFatSect = 0xFFFFFFFDu, kDifSect = 0xFFFFFFFCu, kNoStream = 0xFFFFFFFFu;
constexpr std::uint32_t kHeaderDifat = 109, kIdsPerSector = kSector / 4;
constexpr std::uint64_t kMinStream = 4096;  // shorter streams would belong in the mini stream
constexpr std::uint64_t kMaxStream = 0x7FFFFFFFu;

void Put16(std::string& s, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    s.append(b, 2);
}
void Put32(std::string& s, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    s.append(b, 4);
}

// UTF-8 to UTF-16 units; an invalid sequence gives U+FFFD.
void Utf8ToUtf16(std::string_view s, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool good = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; good && k < len; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) good = false;
            c = (c << 6) | (t & 0x3F);
        }
        static constexpr char32_t kMinOf[] = {0, 0, 0x80, 0x800, 0x10000};
        if (good && (c < kMinOf[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) good = false;
        if (!good) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
}

// Appends the option byte and the characters of a BIFF8 string of at most maxChars units (a
// surrogate pair is never split); returns the number of characters.
std::size_t AppendStringBody(std::string& out, std::string_view utf8, std::size_t maxChars) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        const std::size_t n = std::min(utf8.size(), maxChars);
        out += '\0';
        out.append(utf8.substr(0, n));
        return n;
    }
    thread_local std::u16string units;
    Utf8ToUtf16(utf8, units);
    std::size_t n = std::min(units.size(), maxChars);
    if (n < units.size() && n > 0 && units[n - 1] >= 0xD800 && units[n - 1] <= 0xDBFF) --n;
    const bool wide = std::any_of(units.begin(), units.begin() + n, [](char16_t u) { return u > 0xFF; });
    out += static_cast<char>(wide ? 1 : 0);
    const std::size_t at = out.size();
    out.resize(at + (wide ? 2 * n : n));
    char* to = out.data() + at;
    if (!wide) {
        for (std::size_t k = 0; k < n; ++k) to[k] = static_cast<char>(units[k]);
    } else if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(to, units.data(), 2 * n);
    } else {
        for (std::size_t k = 0; k < n; ++k) {
            to[2 * k] = static_cast<char>(units[k] & 0xFF);
            to[2 * k + 1] = static_cast<char>(units[k] >> 8);
        }
    }
    return n;
}

// Sectors of a compound file holding one stream "Workbook" of the given size: the stream from
// sector 0, then the directory sector, the FAT sectors and the DIFAT sectors.
struct CompoundLayout {
    explicit CompoundLayout(std::uint64_t streamSize) : size(streamSize) {
        streamSectors = static_cast<std::uint32_t>((size + kSector - 1) / kSector);
        fatSectors = 1;
        for (;;) {
            const std::uint64_t total = std::uint64_t(streamSectors) + 1 + fatSectors + difatSectors;
            const auto fat = static_cast<std::uint32_t>((total + kIdsPerSector - 1) / kIdsPerSector);
            const std::uint32_t difat =
                fat > kHeaderDifat ? (fat - kHeaderDifat + kIdsPerSector - 2) / (kIdsPerSector - 1) : 0;
            if (fat == fatSectors && difat == difatSectors) break;
            fatSectors = fat;
            difatSectors = difat;
        }
    }
    std::uint32_t DirSector() const { return streamSectors; }
    std::uint32_t FatSector(std::uint32_t k) const { return streamSectors + 1 + k; }
    std::uint32_t DifatSector(std::uint32_t k) const { return streamSectors + 1 + fatSectors + k; }

    std::string Header() const {
        std::string h;
        h.reserve(kSector);
        h.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        h.append(16, '\0');  // class id
        Put16(h, 0x003E);    // minor version
        Put16(h, 0x0003);    // major version 3: 512-byte sectors
        Put16(h, 0xFFFE);    // little-endian
        Put16(h, 9);         // sector shift
        Put16(h, 6);         // mini sector shift
        h.append(6, '\0');
        Put32(h, 0);  // directory sectors (always 0 in version 3)
        Put32(h, fatSectors);
        Put32(h, DirSector());
        Put32(h, 0);     // transaction signature
        Put32(h, 4096);  // mini stream cutoff
        Put32(h, kEndOfChain);  // no mini FAT
        Put32(h, 0);
        Put32(h, difatSectors ? DifatSector(0) : kEndOfChain);
        Put32(h, difatSectors);
        for (std::uint32_t k = 0; k < kHeaderDifat; ++k) Put32(h, k < fatSectors ? FatSector(k) : kFreeSect);
        return h;
    }

    // The end of the last stream sector, the directory, the FAT and the DIFAT sectors.
    std::string Trailer() const {
        std::string t(std::size_t(streamSectors) * kSector - size, '\0');
        t.reserve(t.size() + std::size_t(1 + fatSectors + difatSectors) * kSector);
        AppendDirEntry(t, u"Root Entry", 5, 1, kEndOfChain, 0);
        AppendDirEntry(t, u"Workbook", 2, kNoStream, 0, size);
        for (int k = 0; k < 2; ++k) AppendDirEntry(t, u"", 0, kNoStream, 0, 0);
        std::uint64_t ids = 0;
        auto id = [&](std::uint32_t v) {
            Put32(t, v);
            ++ids;
        };
        for (std::uint32_t s = 0; s < streamSectors; ++s) id(s + 1 < streamSectors ? s + 1 : kEndOfChain);
        id(kEndOfChain);  // the directory
        for (std::uint32_t k = 0; k < fatSectors; ++k) id(kFatSect);
        for (std::uint32_t k = 0; k < difatSectors; ++k) id(kDifSect);
        while (ids % kIdsPerSector) id(kFreeSect);
        for (std::uint32_t k = 0; k < difatSectors; ++k) {
            for (std::uint32_t e = 0; e < kIdsPerSector - 1; ++e) {
                const std::uint64_t fat = kHeaderDifat + std::uint64_t(k) * (kIdsPerSector - 1) + e;
                Put32(t, fat < fatSectors ? FatSector(static_cast<std::uint32_t>(fat)) : kFreeSect);
            }
            Put32(t, k + 1 < difatSectors ? DifatSector(k + 1) : kEndOfChain);
        }
        return t;
    }

    static void AppendDirEntry(std::string& t, std::u16string_view name, std::uint8_t type,
                               std::uint32_t child, std::uint32_t start, std::uint64_t size) {
        for (char16_t c : name) Put16(t, c);
        t.append(64 - name.size() * 2, '\0');
        Put16(t, static_cast<std::uint16_t>(name.empty() ? 0 : (name.size() + 1) * 2));
        t += static_cast<char>(type);
        t += static_cast<char>(type ? 1 : 0);  // black
        Put32(t, kNoStream);                   // left sibling
        Put32(t, kNoStream);                   // right sibling
        Put32(t, child);
        t.append(16 + 4 + 8 + 8, '\0');  // class id, state, times
        Put32(t, start);
        Put32(t, static_cast<std::uint32_t>(size));
        Put32(t, 0);
    }

    std::uint64_t size;
    std::uint32_t streamSectors = 0, fatSectors = 0, difatSectors = 0;
};

// Writes a compound file whose stream has size bytes (before padding), produced by body.
bool WriteCompound(const std::string& path, std::uint64_t size,
                   const std::function<bool(files::AtomicFileWriter&)>& body) {
    if (size > kMaxStream) return false;
    const std::uint64_t padded = std::max(size, kMinStream);
    const CompoundLayout layout(padded);
    files::AtomicFileWriter w(path);
    if (!w.Write(layout.Header()) || !body(w)) return false;
    if (padded > size && !w.Write(std::string(padded - size, '\0'))) return false;
    return w.Write(layout.Trailer()) && w.Commit();
}

std::string Record(std::uint16_t type, std::string_view data) {
    std::string r;
    biff::AppendRecord(r, type, data);
    return r;
}

std::string BofData(std::uint16_t kind) {
    std::string d;
    Put16(d, 0x0600);  // BIFF8
    Put16(d, kind);
    Put16(d, 0x0DBB);  // build
    Put16(d, 0x07CC);  // year
    Put32(d, 0);       // file history
    Put32(d, 0x06);    // lowest version that can read it
    return d;
}

}  // namespace

namespace biff {

void AppendRecord(std::string& out, std::uint16_t type, std::string_view data) {
    Put16(out, type);
    Put16(out, static_cast<std::uint16_t>(data.size()));
    out.append(data);
}

std::string UnicodeString(std::string_view utf8, bool shortLength) {
    std::string body;
    const std::size_t n = AppendStringBody(body, utf8, shortLength ? 255 : kMaxCellChars);
    std::string s;
    if (shortLength) s += static_cast<char>(n);
    else Put16(s, static_cast<std::uint16_t>(n));
    return s + body;
}

std::string GlobalsHead() {
    std::string g = Record(kBof, BofData(0x0005));
    std::string d;
    Put16(d, 1200);  // strings are UTF-16
    biff::AppendRecord(g, kCodePage, d);

    d.clear();
    Put16(d, 0);       // left
    Put16(d, 0);       // top
    Put16(d, 0x4000);  // width
    Put16(d, 0x2000);  // height
    Put16(d, 0x0038);  // scroll bars and tabs shown
    Put16(d, 0);       // active sheet
    Put16(d, 0);       // first tab shown
    Put16(d, 1);       // sheets selected
    Put16(d, 600);     // tab bar ratio
    biff::AppendRecord(g, kWindow1, d);

    // Five fonts, the fourth of which readers skip by convention.
    d.clear();
    Put16(d, 240);     // 12 points
    Put16(d, 0);       // plain
    Put16(d, 0x7FFF);  // automatic colour
    Put16(d, 400);     // normal weight
    Put16(d, 0);       // no escapement
    d += '\0';         // no underline
    d += '\0';         // family
    d += '\x86';       // GB2312 character set
    d += '\0';
    d += UnicodeString("宋体", true);
    for (int k = 0; k < 5; ++k) biff::AppendRecord(g, kFont, d);

    // Extended formats: 15 style formats, then the one cell format.
    for (int k = 0; k <= kCellXf; ++k) {
        d.clear();
        const bool cell = k == kCellXf;
        Put16(d, 0);                       // font
        Put16(d, 0);                       // number format "General"
        Put16(d, cell ? 0x0001 : 0xFFF5);  // locked; a style format has no parent
        d += '\x20';                       // bottom aligned
        d += '\0';                         // no rotation
        d += '\0';                         // no indent
        d += (cell || k == 0) ? '\0' : '\xF4';  // attributes of their own
        Put32(d, 0);                       // no borders
        Put32(d, 0);
        Put16(d, 0x20C0);                  // pattern colours
        biff::AppendRecord(g, kXf, d);
    }

    d.clear();
    Put16(d, 0x8000);  // built-in style on format 0
    d += '\0';         // "Normal"
    d += '\xFF';
    biff::AppendRecord(g, kStyle, d);
    return g;
}

std::string BoundSheet(std::string_view name, std::uint32_t sheetOffset) {
    std::string d;
    Put32(d, sheetOffset);
    Put16(d, 0);  // visible worksheet
    std::string body;
    const std::size_t n = AppendStringBody(body, name, kMaxSheetNameChars);
    d += static_cast<char>(n);
    d += body;
    return Record(kBoundSheet, d);
}

std::string SheetHead(std::uint32_t rows, std::uint16_t columns) {
    std::string s = Record(kBof, BofData(0x0010));
    std::string d;
    Put32(d, 0);
    Put32(d, rows);
    Put16(d, 0);
    Put16(d, columns);
    Put16(d, 0);
    biff::AppendRecord(s, kDimensions, d);
    return s;
}

std::string SheetTail() {
    std::string d;
    Put16(d, 0x06B6);  // grid, headers, zeros, outline symbols; selected and shown
    Put16(d, 0);       // top row
    Put16(d, 0);       // left column
    Put32(d, 0x40);    // grid colour: automatic
    Put16(d, 0);
    Put16(d, 0);
    Put32(d, 0);
    return Record(kWindow2, d) + Eof();
}

std::string Eof() { return Record(kEof, {}); }

}  // namespace biff

// Where the stream goes: a file or a string; counts the bytes.
class WorkbookWriter::Out {
public:
    explicit Out(files::AtomicFileWriter* w) : w_(w) {}
    explicit Out(std::string* s) : s_(s) {}
    void Put(std::string_view s) {
        pos_ += s.size();
        if (s_) s_->append(s);
        else if (good_) good_ = w_->Write(s);
    }
    std::uint64_t pos() const { return pos_; }
    bool good() const { return good_; }

private:
    files::AtomicFileWriter* w_ = nullptr;
    std::string* s_ = nullptr;
    std::uint64_t pos_ = 0;
    bool good_ = true;
};

WorkbookWriter::WorkbookWriter(std::string_view sheetName, const std::vector<std::string>& columns)
    : sheetName_(sheetName), columns_(std::min(columns.size(), kMaxColumns)) {
    starts_.push_back(0);
    slots_.assign(1024, 0);
    AddRow(columns);
}

std::uint32_t WorkbookWriter::Intern(std::string_view utf8) {
    const std::size_t start = arena_.size();
    AppendStringBody(arena_, utf8, kMaxCellChars);
    const std::string_view s(arena_.data() + start, arena_.size() - start);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = std::hash<std::string_view>{}(s) & mask;
    for (; slots_[at]; at = (at + 1) & mask) {
        const std::uint32_t i = slots_[at] - 1;
        if (std::string_view(arena_.data() + starts_[i], starts_[i + 1] - starts_[i]) == s) {
            arena_.resize(start);
            return i;
        }
    }
    const auto index = static_cast<std::uint32_t>(starts_.size() - 1);
    slots_[at] = index + 1;
    starts_.push_back(arena_.size());
    if ((starts_.size() - 1) * 2 > slots_.size()) {
        // Grow the table to keep it at most half full.
        std::vector<std::uint32_t> grown(slots_.size() * 2, 0);
        const std::size_t m = grown.size() - 1;
        for (std::uint32_t i = 0; i + 1 < starts_.size(); ++i) {
            const std::string_view t(arena_.data() + starts_[i], starts_[i + 1] - starts_[i]);
            std::size_t p = std::hash<std::string_view>{}(t) & m;
            while (grown[p]) p = (p + 1) & m;
            grown[p] = i + 1;
        }
        slots_.swap(grown);
    }
    return index;
}

bool WorkbookWriter::AddRow(const std::vector<std::string>& cells) {
    if (rows_ >= kMaxRows) {
        refused_ = true;
        return false;
    }
    for (std::size_t c = 0; c < columns_; ++c) {
        if (c < cells.size() && !cells[c].empty()) {
            cells_.push_back(Intern(cells[c]));
            ++cellCount_;
        } else {
            cells_.push_back(kNoCell);
        }
    }
    ++rows_;
    return true;
}

void WorkbookWriter::EmitGlobals(Out& out) const {
    out.Put(biff::GlobalsHead());
    out.Put(biff::BoundSheet(sheetName_, 0));  // the sheet's offset is set by Save

    // The shared strings: one SST record, then CONTINUE records. A string's length and option
    // byte never split; its characters may, and the next record then starts with the option
    // byte again. Every dsst-th string is indexed in EXTSST.
    const std::size_t count = starts_.size() - 1;
    const std::size_t dsst = std::max<std::size_t>(8, (count + 127) / 128);
    std::string ext;
    Put16(ext, static_cast<std::uint16_t>(dsst));
    std::string rec;
    rec.reserve(biff::kMaxRecordData);
    std::uint16_t type = kSst;
    std::uint64_t recStart = out.pos();
    auto flush = [&] {
        std::string h;
        Put16(h, type);
        Put16(h, static_cast<std::uint16_t>(rec.size()));
        out.Put(h);
        out.Put(rec);
        rec.clear();
        type = kContinue;
        recStart = out.pos();
    };
    Put32(rec, static_cast<std::uint32_t>(cellCount_));
    Put32(rec, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view s(arena_.data() + starts_[i], starts_[i + 1] - starts_[i]);
        const char option = s[0];
        const std::size_t unit = option ? 2 : 1;
        const std::string_view chars = s.substr(1);
        if (biff::kMaxRecordData - rec.size() < 3 + (chars.empty() ? 0 : unit)) flush();
        if (i % dsst == 0) {
            Put32(ext, static_cast<std::uint32_t>(recStart + 4 + rec.size()));
            Put16(ext, static_cast<std::uint16_t>(4 + rec.size()));
            Put16(ext, 0);
        }
        Put16(rec, static_cast<std::uint16_t>(chars.size() / unit));
        rec += option;
        std::size_t done = 0;
        while (done < chars.size()) {
            const std::size_t room = (biff::kMaxRecordData - rec.size()) / unit * unit;
            if (room == 0) {
                flush();
                rec += option;
                continue;
            }
            const std::size_t take = std::min(room, chars.size() - done);
            rec.append(chars.substr(done, take));
            done += take;
        }
    }
    flush();
    out.Put(Record(kExtSst, ext));
    out.Put(biff::Eof());
}

void WorkbookWriter::EmitSheet(Out& out) const {
    out.Put(biff::SheetHead(static_cast<std::uint32_t>(rows_), static_cast<std::uint16_t>(columns_)));
    std::string chunk;
    chunk.reserve(1 << 16);
    std::size_t at = 0;
    for (std::size_t r = 0; r < rows_; ++r) {
        for (std::size_t c = 0; c < columns_; ++c, ++at) {
            if (cells_[at] == kNoCell) continue;
            Put16(chunk, kLabelSst);
            Put16(chunk, 10);
            Put16(chunk, static_cast<std::uint16_t>(r));
            Put16(chunk, static_cast<std::uint16_t>(c));
            Put16(chunk, biff::kCellXf);
            Put32(chunk, cells_[at]);
        }
        if (chunk.size() > (1 << 16) - 4096) {
            out.Put(chunk);
            chunk.clear();
        }
    }
    out.Put(chunk);
    out.Put(biff::SheetTail());
}

bool WorkbookWriter::Save(const std::string& path) const {
    // The globals are built in memory, their sheet offset set once their size is known; the
    // sheet's size follows from its cells, so it is written in one pass.
    std::string globals;
    {
        Out out(&globals);
        EmitGlobals(out);
    }
    const std::size_t offsetAt = biff::GlobalsHead().size() + 4;
    const auto sheetOffset = static_cast<std::uint32_t>(globals.size());
    for (int i = 0; i < 4; ++i) globals[offsetAt + i] = static_cast<char>((sheetOffset >> (8 * i)) & 0xFF);
    const std::uint64_t sheetSize =
        biff::SheetHead(0, 0).size() + cellCount_ * kLabelSstSize + biff::SheetTail().size();
    const std::uint64_t size = globals.size() + sheetSize;
    if (size > kMaxStream) return false;
    return WriteCompound(path, size, [&](files::AtomicFileWriter& w) {
        Out out(&w);
        out.Put(globals);
        EmitSheet(out);
        return out.good() && out.pos() == size;
    });
}

bool WriteWorkbookFile(const std::string& path, std::string_view stream) {
    return WriteCompound(path, stream.size(),
                         [&](files::AtomicFileWriter& w) { return w.Write(stream); });
}

}  // namespace xls
