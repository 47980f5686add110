#include "contacts/AutoReplyLog.h"

#include "core/ExcelExport.h"
#include "core/Helpers.h"
#include "platform/AtomicFile.h"
#include "platform/SideBySide.h"
#include "platform/TextCodec.h"
#include "platform/XlsWriter.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autoreply {

namespace {
struct FieldSpan {
    std::size_t offset, width;
};
constexpr FieldSpan kFields[kLogCells] = {{0, 10},   {10, 40},  {50, 40},  {90, 30},
                                          {120, 40}, {160, 60}, {220, 60}, {280, 10}};

// Writes the field's GBK text up to its first NUL at to, as UTF-8; returns the end.
char* WriteField(char* to, const char* record, int cell) {
    const char* field = record + kFields[cell].offset;
    std::size_t n = 0;
    unsigned char high = 0;
    for (; n < kFields[cell].width && field[n]; ++n) high |= static_cast<unsigned char>(field[n]);
    if (high < 0x80) {
        std::memcpy(to, field, n);
        return to + n;
    }
    return codec::WriteFromGbk(to, {field, n});
}
// The most bytes a row can take: every field at its widest UTF-8 form, the NULs between them.
constexpr std::size_t kMaxRowBytes = codec::kMaxUtf8PerGbkByte * kLogRecordSize + kLogCells;

constexpr std::size_t kReadRecords = 1024;  // records read at once by a slice

// Reads the whole records [first, first + n) of the file into image at their place; returns how
// many were read.
std::size_t ReadRecords(int fd, char* image, std::size_t first, std::size_t n) {
    std::size_t got = 0;
    files::ReadFull(fd, image + first * kLogRecordSize, n * kLogRecordSize, got,
                    static_cast<long long>(first * kLogRecordSize));
    return got / kLogRecordSize;
}
}  // namespace

const std::vector<std::string>& ExportColumns() {
    static const std::vector<std::string> columns = {"状态", "时间", "姓名", "手机号", "查询短信内容", "彩信名称", "途经串口"};
    return columns;
}

void CReplyLogView::Load(const std::string& path) {
    m_strPath = path;
    m_image.reset();
    m_fileIndex.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    const std::size_t count = fd >= 0 && ::fstat(fd, &st) == 0 && st.st_size > 0
                                  ? static_cast<std::size_t>(st.st_size) / kLogRecordSize
                                  : 0;
    // The log is read and turned into rows in slices side by side, each slice into its own
    // arena; a few slices per thread even out a thread that is held up. The memory is the
    // heap's (as a plain read takes it), which a viewer opened again reuses: a fresh page costs
    // more than the row it holds. The records' bytes stay for the deletes.
    const std::size_t threads = sidebyside::MaxThreads();
    const std::size_t sliceRows = std::clamp<std::size_t>((count + 4 * threads - 1) / (4 * threads), kReadRecords,
                                                          rows::RowStore::HeapBlockRows());
    const std::size_t slices = (count + sliceRows - 1) / sliceRows;
    if (count) m_image.reset(new char[count * kLogRecordSize]);
    std::vector<rows::PackedRows> blocks;
    blocks.reserve(slices);
    for (std::size_t k = 0; k < slices; ++k) blocks.emplace_back(kLogCells, rows::kArenaMapSize / 2);
    std::vector<std::size_t> got(slices, 0);  // whole records each slice read
    sidebyside::RunSideBySide(slices, threads, [&](std::size_t k) {
        const std::size_t first = k * sliceRows, end = std::min(count, first + sliceRows);
        rows::PackedRows& out = blocks[k];
        // A few records at a time, turned into rows while they are in the cache.
        for (std::size_t at = first; at < end;) {
            const std::size_t n = std::min(end - at, kReadRecords);
            const std::size_t read = ReadRecords(fd, m_image.get(), at, n);
            for (std::size_t i = at; i < at + read; ++i) {
                const char* record = m_image.get() + i * kLogRecordSize;
                char* to = out.RowRoom(kMaxRowBytes);
                for (int c = 0; c < kLogCells; ++c) {
                    if (c) *to++ = '\0';
                    to = WriteField(to, record, c);
                }
                out.EndRowAt(to, 0, static_cast<std::int64_t>(i));
            }
            at += read;
            got[k] = at - first;
            if (read < n) break;
        }
    });
    if (fd >= 0) ::close(fd);
    // A slice cut short (the file shrank under the read) ends the rows there.
    std::size_t rowsKept = 0;
    for (std::size_t k = 0; k < slices; ++k) {
        rowsKept = k * sliceRows + got[k];
        if (rowsKept < std::min(count, (k + 1) * sliceRows)) {
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(k) + 1, blocks.end());
            break;
        }
    }
    m_fileIndex.resize(rowsKept);
    for (std::size_t i = 0; i < rowsKept; ++i) m_fileIndex[i] = static_cast<std::uint32_t>(i);
    m_rows.AssignPacked(std::move(blocks));
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
            std::memcmp(record, m_image.get() + targets[next].second * kLogRecordSize, kLogRecordSize) != 0)
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

std::string ExportLog(rows::RowStore& store, const std::string& path,
                      const std::function<bool(std::size_t done, std::size_t total)>& progress) {
    xls::WorkbookWriter writer(kExportSheet, ExportColumns());
    const std::size_t listed = store.Count();
    const std::size_t take = std::min(listed, excel::kMaxSheetRows);
    // BlankIfEmpty on each cell, the strings reused from row to row.
    std::vector<std::string> cells(7);
    auto put = [](std::string& to, std::string_view text) {
        if (text.empty()) to = " ";
        else to.assign(text);
    };
    // A block at a time under the store's lock; the progress (which may paint the list) between.
    for (std::size_t first = 0; first < take; first += kExportBlock) {
        const std::size_t end = std::min(take, first + kExportBlock);
        store.Locked([&](rows::RowStore::Access& a) {
            for (std::size_t i = first; i < end && i < a.Count(); ++i) {
                for (int c = 0; c < 6; ++c) put(cells[c], a.CellAt(i, c));
                put(cells[6], a.CellAt(i, kLogPort));
                writer.AddRow(cells);
            }
        });
        if (progress && !progress(end, take) && end < take) return {};
    }
    if (!writer.Save(path)) return excel::kWriteFailedText;
    if (listed > excel::kMaxSheetRows) return excel::TooManyRowsText(listed);
    return kExportDoneText;
}

}  // namespace autoreply
