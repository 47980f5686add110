#include "core/Scheduler.h"

#include "core/FileUtil.h"
#include "core/PendingQueues.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <tuple>

namespace sched {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Reads 1 to maxDigits decimal digits at s[pos].
bool ReadNumber(std::string_view s, std::size_t& pos, int maxDigits, int& out) {
    int n = 0, digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && digits < maxDigits) {
        n = n * 10 + (s[pos++] - '0');
        ++digits;
    }
    out = n;
    return digits > 0 && !(pos < s.size() && s[pos] >= '0' && s[pos] <= '9');
}

// The integer value of a text: leading blanks, a sign and digits (0 when there are none).
long long IntValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    long long v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 100000000000LL) v = v * 10 + (s[i++] - '0');
    return neg ? -v : v;
}

int ClampInt(long long v) { return v > 2147483647LL ? 2147483647 : v < -2147483647LL ? -2147483647 : static_cast<int>(v); }

auto Key(const clk::LocalTime& t) { return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second); }

// Takes the number before marker from s when the marker stands at an index above 0.
void TakePart(std::string& s, const std::string& markerGbk, int& out) {
    const std::size_t p = codec::GbkFind(s, markerGbk);
    if (p == std::string::npos || p == 0) return;
    out = ClampInt(IntValue(std::string_view(s).substr(0, p)));
    s.erase(0, p + markerGbk.size());
}

std::string G(const char* utf8) { return codec::ToGbk(utf8); }

}  // namespace

std::optional<clk::LocalTime> ParseDateTime(std::string_view text) {
    const std::string_view s = Trim(text);
    clk::LocalTime t;
    std::size_t pos = 0;
    if (!ReadNumber(s, pos, 4, t.year) || pos >= s.size()) return std::nullopt;
    const char sep = s[pos];
    if (sep != '-' && sep != '/') return std::nullopt;
    ++pos;
    if (!ReadNumber(s, pos, 2, t.month) || pos >= s.size() || s[pos] != sep) return std::nullopt;
    ++pos;
    if (!ReadNumber(s, pos, 2, t.day)) return std::nullopt;
    if (pos < s.size()) {
        if (!IsBlank(s[pos])) return std::nullopt;
        while (pos < s.size() && IsBlank(s[pos])) ++pos;
        if (!ReadNumber(s, pos, 2, t.hour) || pos >= s.size() || s[pos] != ':') return std::nullopt;
        ++pos;
        if (!ReadNumber(s, pos, 2, t.minute)) return std::nullopt;
        if (pos < s.size()) {
            if (s[pos] != ':') return std::nullopt;
            ++pos;
            if (!ReadNumber(s, pos, 2, t.second) || pos != s.size()) return std::nullopt;
        }
    }
    if (t.year < 100 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > clk::DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    t.dayOfWeek = clk::DayOfWeek(t.year, t.month, t.day);
    return t;
}

std::vector<std::string> SplitNumbers(std::string_view list) {
    std::vector<std::string> out;
    std::string_view rest = Trim(list);
    while (!rest.empty()) {
        const std::size_t blank = rest.find(' ');
        out.emplace_back(Trim(rest.substr(0, blank)));
        if (out.back().empty()) out.pop_back();
        rest = blank == std::string_view::npos ? std::string_view() : Trim(rest.substr(blank + 1));
    }
    return out;
}

std::optional<Cycle> ParseCycle(std::string_view text) {
    const std::string gbk = codec::ToGbk(text);
    const std::size_t close = codec::GbkFind(gbk, "]");
    if (close == std::string::npos || close == 0) return std::nullopt;
    std::string s = gbk.substr(close + 1);
    Cycle c;
    static const char* const kWeekdays[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    const std::size_t week = codec::GbkFind(s, G("星期"));
    if (week != std::string::npos) {
        const std::string item = s.substr(week, 6);
        for (int i = 0; i < 7; ++i)
            if (item == G(kWeekdays[i])) c.weekday = i + 1;
        s.erase(0, std::min(s.size(), week + 6));
    } else {
        TakePart(s, G("月"), c.month);
        TakePart(s, G("日"), c.day);
    }
    TakePart(s, G("时"), c.hour);
    TakePart(s, G("分"), c.minute);
    return c;
}

bool IsCycleDue(std::string_view text, const clk::LocalTime& now) {
    const auto c = ParseCycle(text);
    if (!c) return false;
    const int weekday = now.dayOfWeek + 1;  // Sunday 1 ... Saturday 7
    if (text.find("[每年]") != std::string_view::npos) {
        if (c->month != now.month || c->day != now.day) return false;
    } else if (text.find("[每月]") != std::string_view::npos) {
        if (c->day != now.day) return false;
    } else if (text.find("[每周]") != std::string_view::npos) {
        if (c->weekday != weekday) return false;
    }
    if (c->hour > now.hour) return false;
    if (c->hour < now.hour) return true;
    return c->minute - now.minute <= 3;
}

bool SentToday(std::string_view lastSend, const clk::LocalTime& now) {
    const long long v = IntValue(lastSend);
    if (v <= 1231) return v == now.month * 100 + now.day;
    return v == static_cast<long long>(now.year) * 10000 + now.month * 100 + now.day;
}

namespace {
// Fresh ids for a run of numbers: the ids that one GetNextSerial call with a count of 1 per
// number would hand out (each 3 above the one before), taken in one call per block, so a long
// list does not rewrite the counter file once per number.
class IdBlock {
public:
    explicit IdBlock(std::size_t total) : m_left(total) {}
    int Next() {
        if (m_inBlock == 0) {
            m_inBlock = std::min<std::size_t>(m_left, kMaxBlock);
            m_next = CFileUtil::GetNextSerial(static_cast<int>(3 * m_inBlock - 2));
        }
        --m_inBlock;
        --m_left;
        const int id = m_next;
        m_next += 3;
        return id;
    }

private:
    static constexpr std::size_t kMaxBlock = 100000;
    std::size_t m_left, m_inBlock = 0;
    int m_next = 0;
};

// The immediate row of one number of a due entry.
PendingQueues::Item NumberItem(const PendingQueues& q, int id, const std::string& number, const rows::RowData& row) {
    const auto& c = row.cells;
    if (c[queue::kColPackage].empty()) return {queue::Kind::Sms, id, number, std::string(), c[queue::kColText], std::string()};
    // The SMS page's column 2 is the name, so it has no file list to pass.
    const std::string files = q.PageKind() == queue::Kind::Mms ? c[queue::kColNameOrFiles] : std::string();
    return {queue::Kind::Mms, id, number, files, c[queue::kColText], c[queue::kColPackage]};
}
}  // namespace

void CheckTimedItems(PendingQueues& q) {
    const clk::LocalTime now = clk::Now();
    rows::RowStore& list = q.Timed();
    bool fired = false;
    for (const rows::RowId rowId : list.Ids()) {
        const auto row = list.Row(rowId);
        if (!row) continue;
        const auto when = ParseDateTime(row->cells[queue::kColTime]);
        if (when && Key(*when) > Key(now)) continue;
        if (q.TimedStore().RemoveRows(q.PageKind(), {rowId}) == 0) continue;
        fired = true;
        const long long stored = IntValue(row->cells[queue::kColId]);
        const auto numbers = SplitNumbers(row->cells[queue::kColNumber]);
        IdBlock ids(stored < 1000000 ? numbers.size() : 0);
        std::vector<PendingQueues::Item> items;
        items.reserve(numbers.size());
        for (const std::string& number : numbers)
            items.push_back(NumberItem(q, stored < 1000000 ? ids.Next() : ClampInt(stored), number, *row));
        q.AddItems(std::move(items));
    }
    // The journal says the entry fired, and the immediate journal holds its rows.
    if (fired) q.SaveImmediate();
}

void CheckCyclicItems(PendingQueues& q, int balance) {
    const clk::LocalTime now = clk::Now();
    rows::RowStore& list = q.Cyclic();
    if (list.Count() == 0) return;
    const std::string today = std::to_string(now.year * 10000 + now.month * 100 + now.day);
    bool fired = false;
    for (const rows::RowId rowId : list.Ids()) {
        const auto row = list.Row(rowId);
        if (!row) continue;
        if (SentToday(row->cells[queue::kColSubmitTime], now)) continue;
        if (!IsCycleDue(row->cells[queue::kColTime], now)) continue;
        if (balance < 0) continue;  // count not known yet: try again at a later tick
        if (!q.CyclicStore().SetLastSend(q.PageKind(), rowId, today)) continue;
        fired = true;
        auto numbers = SplitNumbers(row->cells[queue::kColNumber]);
        if (numbers.size() > static_cast<std::size_t>(balance)) numbers.resize(static_cast<std::size_t>(balance));
        IdBlock ids(numbers.size());
        std::vector<PendingQueues::Item> items;
        items.reserve(numbers.size());
        for (const std::string& number : numbers) items.push_back(NumberItem(q, ids.Next(), number, *row));
        q.AddItems(std::move(items));
    }
    if (fired) q.SaveImmediate();
}

}  // namespace sched
