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

// Writes count records, text(i) the i-th, as the new content of path.
template <typename TextAt> bool WriteRecords(const std::string& path, std::size_t count, TextAt text) {
    files::AtomicFileWriter out(path);
    if (!out.ok()) return false;
    char record[kRecordSize];
    for (std::size_t i = 0; i < count; ++i) {
        EncodeRecord(text(i), record);
        if (!out.Write(record, kRecordSize)) return false;
    }
    return out.Commit();
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

bool ReadPhraseRows(const std::string& path, std::vector<rows::PackedRow>& out) {
    out.clear();
    return ForEachRecord(path, [&out](const char* rec) {
        rows::PackedRow row;
        row.cells = codec::FromGbkField(rec, kRecordSize);
        out.push_back(std::move(row));
    });
}

bool ReadPhrases(const std::string& path, std::vector<std::string>& out) {
    out.clear();
    return ForEachRecord(path, [&out](const char* rec) { out.push_back(codec::FromGbkField(rec, kRecordSize)); });
}

void EncodeRecord(std::string_view utf8, char* record) {
    std::memset(record, 0, kRecordSize);
    const std::string gbk = codec::ToGbk(utf8);
    const std::string_view text = codec::CutGbkBytes(gbk, kMaxTextBytes);
    std::memcpy(record, text.data(), text.size());
}

bool AppendPhrase(const std::string& type, std::string_view utf8) {
    paths::MakeDirs(TypeFolder());
    char record[kRecordSize];
    EncodeRecord(utf8, record);
    return files::AppendRecords(TypeFile(type), kRecordSize, record, 1);
}

bool WritePhraseStore(const std::string& path, rows::RowStore& store) {
    return store.Locked([&path](rows::RowStore::Access& a) {
        return WriteRecords(path, a.Count(), [&a](std::size_t i) { return a.CellAt(i, 0); });
    });
}

bool WritePhrases(const std::string& path, const std::vector<std::string>& phrases) {
    return WriteRecords(path, phrases.size(), [&phrases](std::size_t i) { return std::string_view(phrases[i]); });
}

std::vector<std::string> SplitImportText(std::string_view gbk, std::size_t maxPhrases) {
    // Decoded in one piece: line ends and blanks are the same bytes in UTF-8, and a UTF-8 text
    // is never shorter than its GBK form, so only a line of more than 499 bytes needs the cut.
    const std::string text = codec::FromGbk(gbk);
    std::vector<std::string> out;
    std::string_view rest = text;
    for (std::size_t step = 0; step < maxPhrases; ++step) {
        while (!rest.empty() && codec::IsAsciiSpace(rest.front())) rest.remove_prefix(1);
        while (!rest.empty() && codec::IsAsciiSpace(rest.back())) rest.remove_suffix(1);
        if (rest.empty()) break;
        const std::size_t lf = rest.find('\n');
        std::string_view line = rest.substr(0, lf);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxTextBytes)
            out.push_back(codec::CutToGbkBytes(line, kMaxTextBytes));
        else
            out.emplace_back(line);
        if (lf == std::string_view::npos) break;
        rest.remove_prefix(lf + 1);
    }
    return out;
}

std::string ExportText(const std::vector<std::string>& phrases) {
    std::string out;
    for (const std::string& p : phrases) {
        out += codec::ToGbk(p);
        out += "\r\n";
    }
    return out;
}

}  // namespace phrasefiles
