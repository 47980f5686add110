#pragma once
// The reply log "RL.dat" as its viewer holds it, without widgets: the records as they were when
// the viewer opened, their deletion from the file while the engine may append to it, and the
// export to an Excel workbook.
#include "contacts/AutoReply.h"
#include "platform/RowStore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace autoreply {

inline constexpr const char* kLogFileName = "RL.dat";
inline constexpr std::size_t kLogRecordSize = sizeof(AutoReplyLogRecord);

// Cells of a viewer row: the six shown columns, then the key and port cells without a column.
enum { kLogStatus, kLogTime, kLogName, kLogMobile, kLogQuery, kLogReply, kLogKey, kLogPort, kLogCells };

inline constexpr const char* kExportSheet = "彩信记录";
// The header row of the export.
const std::vector<std::string>& ExportColumns();

class CReplyLogView {
public:
    CReplyLogView() = default;
    CReplyLogView(const CReplyLogView&) = delete;
    CReplyLogView& operator=(const CReplyLogView&) = delete;

    // Reads the log at path whole: one row per whole record, in file order. A missing or empty
    // file gives no rows; a torn tail is not shown.
    void Load(const std::string& path);

    rows::RowStore& Rows() { return m_rows; }
    // The record's index in the file as the viewer last knew it; -1 for a row not held.
    long long FileIndex(rows::RowId id) const;

    // Removes the rows and their records from the file: a record goes when it still sits at the
    // row's index with the bytes read at open. Records appended since stay. False when the file
    // cannot be rewritten; rows and file are then as they were.
    bool Delete(const std::vector<rows::RowId>& ids);
    // Delete of every row.
    bool Clear() { return Delete(m_rows.Ids()); }

private:
    std::string m_strPath;
    rows::RowStore m_rows{kLogCells};
    std::unique_ptr<char[]> m_image;  // the records as read at open, in their order then
    std::vector<std::uint32_t> m_fileIndex;  // by row data (the slot in m_image): index in the file
};

inline constexpr const char* kExportDoneText = "Excel文件写入成功！";

// Writes the rows (columns 0-5 and the port cell, each through BlankIfEmpty) below the header
// into a new workbook at path, as many as one sheet holds. The message to show:
// kExportDoneText, the text of rows left out, or the failure text of the Excel convention when
// the file cannot be written. progress(done, total) after each block of kExportBlock rows; false
// stops before the last: no file, an empty text.
inline constexpr std::size_t kExportBlock = 256;
std::string ExportLog(rows::RowStore& store, const std::string& path,
                      const std::function<bool(std::size_t done, std::size_t total)>& progress = {});

}  // namespace autoreply
