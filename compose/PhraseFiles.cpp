#include "compose/PhraseFiles.h"

#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/FolderList.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace phrasefiles {

namespace {

// Records read per fread.
constexpr std::size_t kChunkRecords = 2048;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The text less its last four characters (UTF-8 code points).
std::string DropLastChars(const std::string& name, int n) {
    std::size_t end = name.size();
    while (n-- > 0 && end > 0) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    }
    return name.substr(0, end);
}

// Calls take(record) for every whole record of the file, up to kMaxRecords.
template <typename Take> bool ForEachRecord(const std::string& path, Take take) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    std::vector<char> buf(kChunkRecords * kRecordSize);
    std::size_t total = 0;
    while (total < kMaxRecords) {
        const std::size_t want = std::min(kChunkRecords, kMaxRecords - total);
        const std::size_t got = std::fread(buf.data(), 1, want * kRecordSize, f.get());
        const std::size_t whole = got / kRecordSize;
        for (std::size_t i = 0; i < whole; ++i) take(buf.data() + i * kRecordSize);
        total += whole;
        if (got < want * kRecordSize) break;
    }
    return true;
}

// One record holding the GBK text, cut to kMaxTextBytes on a character boundary.
void EncodeRecord(std::string_view gbk, char* record) {
    const std::string_view text = codec::CutGbkBytes(gbk, kMaxTextBytes);
    std::memcpy(record, text.data(), text.size());
    std::memset(record + text.size(), 0, kRecordSize - text.size());
}

// Writes count records, gbkText(i) the i-th, as the new content of path.
template <typename TextAt> bool WriteRecords(const std::string& path, std::size_t count, TextAt gbkText) {
    files::AtomicFileWriter out(path);
    if (!out.ok()) return false;
    std::vector<char> buf(kChunkRecords * kRecordSize);
    for (std::size_t i = 0; i < count;) {
        const std::size_t n = std::min(kChunkRecords, count - i);
        for (std::size_t k = 0; k < n; ++k) EncodeRecord(gbkText(i + k), buf.data() + k * kRecordSize);
        if (!out.Write(buf.data(), n * kRecordSize)) return false;
        i += n;
    }
    return out.Commit();
}

// A packed row of `columns` cells, the first the text, in one allocation.
rows::PackedRow TextRow(std::string_view text, int columns) {
    rows::PackedRow row;
    const std::size_t seps = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
    row.cells.reserve(text.size() + seps);
    row.cells.assign(text);
    row.cells.append(seps, '\0');
    return row;
}

}  // namespace

std::string TypeFolder() { return paths::AppFile("TextSink"); }

std::string TypeFile(const std::string& type) { return paths::AppFile("TextSink\\" + type + ".txt"); }

std::vector<std::string> ListTypes() {
    std::vector<std::string> names;
    for (const std::string& name : paths::ListFolder(TypeFolder(), paths::EntryKind::Files))
        if (name.find(".txt") != std::string::npos) names.push_back(DropLastChars(name, 4));
    return names;
}

bool TypeFileExists(const std::string& type) {
    std::error_code ec;
    return fs::is_regular_file(TypeFile(type), ec);
}

bool ReadPhraseRows(const std::string& path, std::vector<rows::PackedRow>& out, int columns) {
    out.clear();
    return ForEachRecord(path, [&out, columns](const char* rec) {
        const void* nul = std::memchr(rec, '\0', kRecordSize);
        const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - rec) : kRecordSize;
        out.push_back(TextRow(std::string_view(rec, len), columns));
    });
}

bool ReadPhrases(const std::string& path, std::vector<std::string>& out) {
    out.clear();
    return ForEachRecord(path, [&out](const char* rec) { out.push_back(codec::FromGbkField(rec, kRecordSize)); });
}

bool AppendPhrase(const std::string& type, std::string_view utf8) {
    paths::MakeDirs(TypeFolder());
    char record[kRecordSize];
    EncodeRecord(codec::ToGbk(utf8), record);
    return files::AppendRecords(TypeFile(type), kRecordSize, record, 1);
}

bool WritePhraseStore(const std::string& path, rows::RowStore& store) {
    return store.Locked([&path](rows::RowStore::Access& a) {
        return WriteRecords(path, a.Count(), [&a](std::size_t i) { return a.CellAt(i, 0); });
    });
}

bool WritePhrases(const std::string& path, const std::vector<std::string>& phrases) {
    std::string gbk;
    return WriteRecords(path, phrases.size(), [&](std::size_t i) {
        gbk = codec::ToGbk(phrases[i]);
        return std::string_view(gbk);
    });
}

std::vector<rows::PackedRow> SplitImportRows(std::string_view gbk, std::size_t maxPhrases, int columns,
                                            std::size_t* leftOut) {
    std::vector<rows::PackedRow> out;
    out.reserve(std::min<std::size_t>(maxPhrases, static_cast<std::size_t>(std::count(gbk.begin(), gbk.end(), '\n')) + 1));
    std::string_view rest = gbk;
    while (!rest.empty() && codec::IsAsciiSpace(rest.back())) rest.remove_suffix(1);  // the same at every step
    // The next phrase of the rest, the rest moved past its line; false at the end.
    auto next = [&rest](std::string_view& line) {
        while (!rest.empty() && codec::IsAsciiSpace(rest.front())) rest.remove_prefix(1);
        if (rest.empty()) return false;
        const void* lfp = std::memchr(rest.data(), '\n', rest.size());
        const std::size_t lf = lfp ? static_cast<std::size_t>(static_cast<const char*>(lfp) - rest.data())
                                   : rest.size();
        line = rest.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        rest.remove_prefix(std::min(lf + 1, rest.size()));
        return true;
    };
    std::string_view line;
    while (out.size() < maxPhrases && next(line)) out.push_back(TextRow(codec::CutGbkBytes(line, kMaxTextBytes), columns));
    if (leftOut) {
        *leftOut = 0;
        while (next(line)) ++*leftOut;
    }
    return out;
}

std::string ImportCapText(std::size_t imported, std::size_t leftOut) {
    return "每个短语类型最多保存" + std::to_string(kMaxRecords) + "条短语：已导入" + std::to_string(imported) +
           "条，其余" + std::to_string(leftOut) + "条未导入！";
}

std::string ExportText(rows::RowStore& store) {
    return store.Locked([](rows::RowStore::Access& a) {
        std::size_t size = 0;
        for (std::size_t i = 0; i < a.Count(); ++i) size += a.CellAt(i, 0).size() + 2;
        std::string out;
        out.reserve(size);
        for (std::size_t i = 0; i < a.Count(); ++i) {
            out += a.CellAt(i, 0);
            out += "\r\n";
        }
        return out;
    });
}

}  // namespace phrasefiles
