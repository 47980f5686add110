#include "core/RecordQuery.h"

#include "core/Helpers.h"
#include "core/LongSms.h"
#include "platform/AppPath.h"
#include "platform/SideBySide.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace recpage {

namespace {
std::string_view Field(const char* field, std::size_t width) {
    const void* nul = std::memchr(field, '\0', width);
    return {field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width};
}
template <std::size_t N>
std::string_view Field(const char (&field)[N]) {
    return Field(field, N);
}

bool Contains(std::string_view gbk, const std::string& pattern) {
    return pattern.empty() || codec::GbkFind(gbk, pattern) != std::string_view::npos;
}

// The statuses and their parts in GBK.
struct GbkWords {
    std::string status[9];
    std::string sms = codec::ToGbk("短信"), mms = codec::ToGbk("彩信");
    std::string cls[6] = {"", codec::ToGbk("已发送"), codec::ToGbk("发送失败"), codec::ToGbk("已送达"),
                          codec::ToGbk("被拒收"), codec::ToGbk("接收")};
    GbkWords() {
        const std::string_view all[9] = {recstatus::kSmsSent,     recstatus::kSmsDelivered, recstatus::kSmsReceived,
                                         recstatus::kSmsFailed,   recstatus::kMmsSent,      recstatus::kMmsDelivered,
                                         recstatus::kMmsRejected, recstatus::kMmsReceived,  recstatus::kMmsFailed};
        for (int i = 0; i < 9; ++i) status[i] = codec::ToGbk(all[i]);
    }
    int IconOf(std::string_view gbk) const {
        for (int i = 0; i < 9; ++i)
            if (gbk == status[i]) return i;
        return -1;
    }
};
const GbkWords& Words() {
    static const GbkWords w;
    return w;
}

}  // namespace

Filter::Filter(const Query& q) : m_q(q) {
    m_name = codec::ToGbk(q.name);
    m_number = codec::ToGbk(q.number);
    m_text = codec::ToGbk(q.text);
    m_from = q.firstDay + " 00:00:00";
    m_to = q.lastDay + " 23:59:59";
}

bool Filter::Passes(const MsgRecord& r) const {
    const GbkWords& w = Words();
    const std::string_view status = Field(r.szType);
    switch (m_q.mode) {
    case 0:
        return true;
    case 1:  // everything but the received
        return status != w.status[2] && status != w.status[7];
    case 2:  // everything but the sent, delivered, rejected and failed
        for (int i : {0, 1, 3, 4, 5, 6, 8})
            if (status == w.status[i]) return false;
        return true;
    default:
        break;
    }
    if (!Contains(Field(r.szName), m_name) || !Contains(Field(r.szNumber), m_number) ||
        !Contains(Field(r.szText), m_text))
        return false;
    const int kind = m_q.code & 0xF0, cls = m_q.code & 0x0F;
    if (kind == 0x10 && status.find(w.sms) == std::string_view::npos) return false;
    if (kind == 0x20 && status.find(w.mms) == std::string_view::npos) return false;
    if (cls >= 1 && cls <= 5 && status.find(w.cls[cls]) == std::string_view::npos) return false;
    const std::string_view time = Field(r.szTime);
    return time >= m_from && time <= m_to;
}

namespace {
// Appends the row's cells to s; its icon, or -1 for a status that is none of the nine (then s is
// left as it was).
int AppendCells(const MsgRecord& r, std::string& s, LogKind kind) {
    const std::string_view status = Field(r.szType);
    const int icon = Words().IconOf(status);
    if (icon < 0) return icon;
    auto text = [&s](std::string_view gbk) {
        if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            s += gbk;
        else
            s += codec::FromGbk(gbk);
    };
    auto cell = [&](std::string_view gbk) {
        text(gbk);
        s.push_back('\0');
    };
    cell(status);
    cell(Field(r.szTime));
    cell(Field(r.szName));
    cell(Field(r.szNumber));
    cell(Field(r.szText));
    cell(kind == LogKind::Mms ? Field(r.szSubmitTime) : Field(r.szResult));
    cell(Field(r.szPackage));
    cell(Field(r.szSendId));
    cell(Field(r.szResourceId));
    s += std::to_string(r.nId);
    s.push_back('\0');
    cell(Field(r.szSize));
    s += std::to_string(r.nDevice);
    s.push_back('\0');
    text(Field(r.szFiles));
    return icon;
}
}  // namespace

bool MakeRow(const MsgRecord& r, std::int64_t index, rows::PackedRow& out, LogKind kind) {
    // Built in a scratch buffer, then copied once at its exact size: a listed row keeps no slack.
    thread_local std::string s;
    s.clear();
    const int icon = AppendCells(r, s, kind);
    if (icon < 0) return false;
    out.icon = icon;
    out.data = index;
    out.cells.assign(s);
    return true;
}

bool MakeRow(const MsgRecord& r, std::int64_t index, rows::PackedRows& out, LogKind kind) {
    out.Text().clear();
    const int icon = AppendCells(r, out.Text(), kind);
    if (icon < 0) return false;
    out.EndRow(icon, index);
    return true;
}

std::size_t SearchResult::RowCount() const {
    std::size_t n = 0;
    for (const rows::PackedRows& b : blocks) n += b.Count();
    return n;
}

namespace {
// The rows of the records [first, end) that pass.
void SearchRange(const CRecordLog& log, const Filter& filter, std::size_t first, std::size_t end,
                 rows::PackedRows& out, bool& found) {
    found = log.ForEachRecordIn(first, end, [&](const MsgRecord& r, std::size_t i) {
        if (filter.Passes(r)) MakeRow(r, static_cast<std::int64_t>(i), out, log.kind());
    });
}
}  // namespace

SearchResult Search(const CRecordLog& log, const Query& q, bool allRecords, std::size_t sliceRecords) {
    SearchResult res;
    const Filter filter(q);
    // The records there now; later ones come as new rows.
    const long long size = paths::FileSize(log.FilePath());
    if (size < 0) return res;
    const std::size_t count = static_cast<std::size_t>(size) / kMsgRecordSize;
    res.first = allRecords || count <= kRecentCount ? 0 : count - kRecentCount;
    res.total = count;
    // A big log is read in slices side by side, each by its own reader into its own arena.
    const std::size_t n = count - res.first;
    const std::size_t slices = std::clamp<std::size_t>(n / std::max<std::size_t>(sliceRecords, 1), 1, std::clamp(std::thread::hardware_concurrency() / 2, 1u, 4u));
    res.blocks.reserve(slices);
    for (std::size_t k = 0; k < slices; ++k) res.blocks.emplace_back(kColumns);
    std::vector<char> found(slices, 0);
    sidebyside::RunSideBySide(slices, slices, [&](std::size_t k) {
        const std::size_t a = res.first + n * k / slices, b = res.first + n * (k + 1) / slices;
        bool ok = false;
        SearchRange(log, filter, a, b, res.blocks[k], ok);
        found[k] = ok;
    });
    res.found = std::all_of(found.begin(), found.end(), [](char f) { return f != 0; });
    return res;
}

std::string ViewText(const std::string& status, const std::string& text, bool expandLongSms) {
    if (!expandLongSms) return text;
    if (status != recstatus::kSmsSent && status != recstatus::kSmsDelivered && status != recstatus::kSmsFailed)
        return text;
    // Only a text that ends in the marker is a long SMS's head, as the batch fetch reads it.
    const std::optional<int> id = longsms::MarkerId(text);
    return id ? LoadSmsText(*id) : text;
}

std::string DayText(int year, int month, int day) { return StringPrintf("%d-%02d-%02d", year, month, day); }

}  // namespace recpage
