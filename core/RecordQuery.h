#pragma once
// What the records pages do with a log, without a widget: the filters of the views and of the
// advanced query, the row texts of a record, the search that makes them and the text a record
// view shows. Both records pages (SMS and MMS log) share it.
#include "core/MsgRecord.h"
#include "core/RecordLog.h"
#include "platform/RowStore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace recpage {

constexpr int kColumns = 13;
// Rows the latest-records search keeps.
constexpr std::size_t kRecentCount = 100;

// A search's filter: mode 0 all, 1 sent (view 2), 2 received (view 3), 3 the advanced query.
struct Query {
    int mode = 0;
    // Advanced query (mode 3): UTF-8 patterns, empty matches all; code = kind (0x10 SMS, 0x20 MMS)
    // + class (1 sent, 2 failed, 3 delivered, 4 rejected, 5 received); days as "YYYY-MM-DD".
    std::string name, number, text;
    int code = 0;
    std::string firstDay, lastDay;
};

// A query with its patterns and statuses in GBK, made once per search.
class Filter {
public:
    explicit Filter(const Query& q);
    bool Passes(const MsgRecord& r) const;

private:
    Query m_q;
    std::string m_name, m_number, m_text, m_from, m_to;
};

// The 13 cell texts of a record's row (UTF-8, joined by NUL), its icon in icon, its log index in
// data. Column 5 is the result text on the SMS log, the delivery-report time on the MMS log.
// False for a status that is none of the nine (such a record is not listed).
bool MakeRow(const MsgRecord& r, std::int64_t index, rows::PackedRow& out, LogKind kind = LogKind::Sms);
// The same row added to an arena of rows.
bool MakeRow(const MsgRecord& r, std::int64_t index, rows::PackedRows& out, LogKind kind = LogKind::Sms);

// A search over a log: the rows of the passing records, oldest first, in one arena per slice
// read; the log's index range that was read ([first, total)). found is false when the log does
// not exist.
struct SearchResult {
    bool found = false;
    std::vector<rows::PackedRows> blocks;
    std::size_t first = 0, total = 0;
    std::size_t RowCount() const;
};
// allRecords false: only the newest kRecentCount records are read. A log of at least two slices
// of sliceRecords is read by several readers at once. Any thread.
SearchResult Search(const CRecordLog& log, const Query& q, bool allRecords, std::size_t sliceRecords = 65536);

// The text the record view shows for a status and column 4: a sent, delivered or failed SMS whose
// text ends in the long-SMS marker shows its side file (when expandLongSms), anything else as
// it stands.
std::string ViewText(const std::string& status, const std::string& text, bool expandLongSms);

// A query's day as "%d-%02d-%02d"; the search takes the first day from 00:00:00 and the last up to
// 23:59:59.
std::string DayText(int year, int month, int day);

}  // namespace recpage
