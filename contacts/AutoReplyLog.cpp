#include "contacts/AutoReplyLog.h"

#include "core/Helpers.h"
#include "platform/AtomicFile.h"
#include "platform/TextCodec.h"
#include "platform/XlsWriter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <unordered_map>

namespace autoreply {

namespace {
struct FieldSpan {
    std::size_t offset, width;
};
constexpr FieldSpan kFields[kLogCells] = {{0, 10},   {10, 40},  {50, 40},  {90, 30},
                                          {120, 40}, {160, 60}, {220, 60}, {280, 10}};

// Decoded texts of one field. Log fields repeat (statuses, keywords, replies of a fixed table),
// so each distinct GBK text is decoded once, up to a bound.
class FieldTexts {
public:
    void Append(std::string& out, std::string_view gbk) {
        if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            out += gbk;
            return;
        }
        if (const auto it = m_seen.find(gbk); it != m_seen.end()) {
            out += it->second;
            return;
        }
        std::string utf8 = codec::FromGbk(gbk);
        out += utf8;
        if (m_seen.size() < kMaxKept) m_seen.emplace(std::string(gbk), std::move(utf8));
    }

private:
    static constexpr std::size_t kMaxKept = 4096;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> m_seen;
};

std::string_view FieldOf(const char* record, int cell) {
    const char* field = record + kFields[cell].offset;
    const void* nul = std::memchr(field, '\0', kFields[cell].width);
    return {field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : kFields[cell].width};
}
}  // namespace

const std::vector<std::string>& ExportColumns() {
    static const std::vector<std::string> columns = {"状态", "时间", "姓名", "手机号", "查询短信内容", "彩信名称", "途经串口"};
    return columns;
}

void CReplyLogView::Load(const std::string& path) {
    m_strPath = path;
    m_image.clear();
    if (!files::ReadWholeFile(path, m_image)) m_image.clear();
    const std::size_t count = m_image.size() / kLogRecordSize;
    m_image.resize(count * kLogRecordSize);
    m_fileIndex.resize(count);
    std::vector<rows::PackedRow> packed(count);
    FieldTexts texts[kLogCells];
    for (std::size_t i = 0; i < count; ++i) {
        const char* record = m_image.data() + i * kLogRecordSize;
        std::string& cells = packed[i].cells;
        cells.reserve(kLogRecordSize);
        for (int c = 0; c < kLogCells; ++c) {
            if (c) cells += '\0';
            texts[c].Append(cells, FieldOf(record, c));
        }
        packed[i].data = static_cast<std::int64_t>(i);
        m_fileIndex[i] = static_cast<std::uint32_t>(i);
    }
    m_rows.AssignPacked(std::move(packed));
}

long long CReplyLogView::FileIndex(rows::RowId id) const {
    const std::optional<rows::RowData> row = m_rows.Row(id);
    if (!row || row->data < 0 || static_cast<std::size_t>(row->data) >= m_fileIndex.size()) return -1;
    return m_fileIndex[static_cast<std::size_t>(row->data)];
}

bool CReplyLogView::Delete(const std::vector<rows::RowId>& ids) {
    // The slots of the rows, and the file indexes they stand at now.
    std::vector<std::pair<std::uint32_t, std::size_t>> targets;  // (file index, slot)
    targets.reserve(ids.size());
    m_rows.Locked([&](rows::RowStore::Access& a) {
        for (rows::RowId id : ids) {
            if (!a.Contains(id)) continue;
            const std::size_t slot = static_cast<std::size_t>(a.Data(id));
            if (slot < m_fileIndex.size()) targets.emplace_back(m_fileIndex[slot], slot);
        }
    });
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

    std::vector<std::uint32_t> removed;  // file indexes that went, ascending
    std::size_t next = 0;
    const long long dropped = files::DropRecords(m_strPath, kLogRecordSize, [&](std::size_t index, const char* record) {
        while (next < targets.size() && targets[next].first < index) ++next;
        if (next == targets.size() || targets[next].first != index ||
            std::memcmp(record, m_image.data() + targets[next].second * kLogRecordSize, kLogRecordSize) != 0)
            return false;
        removed.push_back(static_cast<std::uint32_t>(index));
        return true;
    });
    if (dropped < 0) return false;  // the file is as it was: so are the rows

    // The rows go (also one whose record was no longer there); the others move up past the
    // records removed before them.
    m_rows.RemoveRows(ids);
    if (!removed.empty()) {
        for (std::uint32_t& index : m_fileIndex) {
            const auto below = std::lower_bound(removed.begin(), removed.end(), index) - removed.begin();
            index -= static_cast<std::uint32_t>(below);
        }
    }
    return true;
}

bool ExportLog(rows::RowStore& store, const std::string& path) {
    xls::WorkbookWriter writer(kExportSheet, ExportColumns());
    bool fits = true;
    store.Locked([&](rows::RowStore::Access& a) {
        if (a.Count() + 1 > xls::kMaxRows) {
            fits = false;
            return;
        }
        std::vector<std::string> cells(7);
        for (std::size_t i = 0; i < a.Count() && fits; ++i) {
            for (int c = 0; c < 6; ++c) cells[c] = BlankIfEmpty(std::string(a.CellAt(i, c)));
            cells[6] = BlankIfEmpty(std::string(a.CellAt(i, kLogPort)));
            fits = writer.AddRow(cells);
        }
    });
    return fits && writer.Save(path);
}

}  // namespace autoreply
