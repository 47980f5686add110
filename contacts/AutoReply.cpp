#include "contacts/AutoReply.h"

#include "core/FileUtil.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/MmsUpload.h"
#include "core/MsgRecord.h"
#include "core/PlatformClient.h"
#include "core/RecordCodec.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

std::string g_strAutoReplyIni;

namespace autoreply {

namespace {
constexpr const char* kKeys[kSettingCount] = {"启用自动回复", "回复所有查询", "查询消息限制", "循环列表位置",
                                              "添加自动编号", "消息自动编号", "标记回复与循环回复", "随即选取回复消息"};
constexpr int kDefaults[kSettingCount] = {0, 0, 2, 0, 0, 0, 0, 0};

std::mutex g_lookupMutex;
NameLookup g_lookup;
}  // namespace

const char* SettingKey(Setting s) { return kKeys[s]; }
int SettingDefault(Setting s) { return kDefaults[s]; }

int ParseLeadingInt(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && codec::IsAsciiSpace(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    long long n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = n * 10 + (value[i] - '0');
        if (n > INT_MAX) n = INT_MAX + 1LL;  // saturates (the ini buffer keeps 9 bytes anyway)
    }
    if (negative) n = -n;
    if (n > INT_MAX) n = INT_MAX;
    if (n < INT_MIN) n = INT_MIN;
    return static_cast<int>(n);
}

bool IsAnswerableSender(const std::string& sender) {
    if (sender.size() <= 10 || sender.size() > kMaxSenderBytes || sender[0] != '1') return false;
    for (char c : sender)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string PackageReplyOf(const std::string& mmsFile) {
    const std::size_t p = mmsFile.rfind('\\');
    if (p == std::string::npos || p == 0) return {};
    // "\" and the name without its last four characters (".qmx").
    if (mmsFile.size() < p + 1 + 4 + 1) return {};
    const std::string name = mmsFile.substr(p, mmsFile.size() - p - 4);
    const std::size_t q = mmsFile.rfind('\\', p - 1);
    const std::string group = q == std::string::npos ? mmsFile.substr(0, p) : mmsFile.substr(q + 1, p - q - 1);
    return std::string(kMmsPrefix) + group + name;
}

long long ClockSeconds() {
    const clk::LocalTime t = clk::Now();
    // Days from the civil date (proleptic Gregorian).
    const int y = t.year - (t.month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = static_cast<long long>(era) * 146097 + doe - 719468;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

void SetNameLookup(NameLookup lookup) {
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    g_lookup = std::move(lookup);
}

// The lookup runs under the lock, so clearing it waits for a call in progress.
std::string GetNameByMobile(const std::string& mobile) {
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    return g_lookup ? g_lookup(mobile) : std::string();
}

}  // namespace autoreply

using namespace autoreply;

namespace {
constexpr const char* kKeywordFile = "AutoRe1.dat";
constexpr const char* kCyclicFile = "AutoRe2.dat";
constexpr const char* kLogFile = "RL.dat";

template <std::size_t N>
void Put(char (&field)[N], std::string_view utf8) {
    msgrec::SetField(field, utf8);  // cut to N - 1 bytes on a character boundary
}

std::string TrimRight(std::string s) {
    while (!s.empty() && codec::IsAsciiSpace(s.back())) s.pop_back();
    return s;
}

// The decimal value of a times-sent cell plus one, as text.
std::string RaiseCount(std::string_view cell) {
    long long n = std::strtoll(std::string(cell).c_str(), nullptr, 10);
    if (n < 0 || n >= LLONG_MAX) n = 0;
    return std::to_string(n + 1);
}

// Reads a table file whole; Unreadable when it exists but could not be read.
queue::FileBytes ReadTable(const char* name) { return queue::ReadQueueFile(paths::AppFile(name)); }
}  // namespace

CAutoReply::CAutoReply(QueueWriters writers) : m_writers(std::move(writers)) {
    for (int i = 0; i < kSettingCount; ++i) m_settings[i] = kDefaults[i];
    m_package.m_strWorkFolder = paths::AppFile(kWorkFolder);
}

void CAutoReply::WriteSetting(Setting s) {
    if (!g_strAutoReplyIni.empty())
        profile::WriteString(paths::ToFsPath(g_strAutoReplyIni), kSection, kKeys[s], std::to_string(Get(s)));
}

void CAutoReply::StoreLocked(Setting s, int value) {
    m_settings[s] = value;
    WriteSetting(s);
}

void CAutoReply::Set(Setting s, int value) {
    std::lock_guard<std::mutex> lock(m_tableMutex);
    StoreLocked(s, value);
}

std::string CAutoReply::EmptyReply() const {
    std::lock_guard<std::mutex> lock(m_tableMutex);
    return m_strEmptyReply;
}
std::string CAutoReply::OtherReply() const {
    std::lock_guard<std::mutex> lock(m_tableMutex);
    return m_strOtherReply;
}
void CAutoReply::SetEmptyReply(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_tableMutex);
    m_strEmptyReply = text;
}
void CAutoReply::SetOtherReply(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_tableMutex);
    m_strOtherReply = text;
}

void CAutoReply::LoadSettings() {
    if (g_strAutoReplyIni.empty()) g_strAutoReplyIni = g_strAppPath + "\\AutoReS.dat";
    const std::string ini = paths::ToFsPath(g_strAutoReplyIni);
    int values[kSettingCount];
    for (int i = 0; i < kSettingCount; ++i)
        values[i] = ParseLeadingInt(profile::GetString(ini, kSection, kKeys[i], std::to_string(kDefaults[i]), 10));

    // Keyword table: rows, then the empty-query and the reserved-key records.
    std::vector<std::vector<std::string>> keywordRows;
    std::string emptyReply, otherReply;
    const queue::FileBytes kw = ReadTable(kKeywordFile);
    for (std::size_t i = 0; kw.status == queue::FileBytes::Read && i < kw.size / sizeof(AutoReplyKeywordRecord); ++i) {
        AutoReplyKeywordRecord r;
        std::memcpy(&r, kw.data.get() + i * sizeof r, sizeof r);
        const std::string_view query(r.query, strnlen(r.query, sizeof r.query));
        std::string reply = codec::FromGbkField(r.reply, sizeof r.reply);
        if (query.empty())
            emptyReply = std::move(reply);
        else if (query == kAnyOtherKey)
            otherReply = std::move(reply);
        else
            keywordRows.push_back({codec::FromGbk(query), std::move(reply)});
    }
    // Reply list: records whose text is not blank.
    std::vector<std::vector<std::string>> cyclicRows;
    const queue::FileBytes cy = ReadTable(kCyclicFile);
    for (std::size_t i = 0; cy.status == queue::FileBytes::Read && i < cy.size / sizeof(AutoReplyCyclicRecord); ++i) {
        AutoReplyCyclicRecord r;
        std::memcpy(&r, cy.data.get() + i * sizeof r, sizeof r);
        std::string text = codec::FromGbkField(r.text, sizeof r.text);
        if (codec::TrimAsciiSpace(text).empty()) continue;
        cyclicRows.push_back({std::move(text), codec::FromGbkField(r.mmsFile, sizeof r.mmsFile),
                              codec::FromGbkField(r.timesSent, sizeof r.timesSent)});
    }
    if (kw.status == queue::FileBytes::Unreadable) WriteRunLog("无法读取自动回复文件 AutoRe1.dat，本次运行不会改写它");
    if (cy.status == queue::FileBytes::Unreadable) WriteRunLog("无法读取自动回复文件 AutoRe2.dat，本次运行不会改写它");

    {
        std::lock_guard<std::mutex> lock(m_tableMutex);
        for (int i = 0; i < kSettingCount; ++i) m_settings[i] = values[i];
        // The mode switch writes its key back.
        StoreLocked(kReplyMode, values[kReplyMode]);
        m_strEmptyReply = std::move(emptyReply);
        m_strOtherReply = std::move(otherReply);
        m_keywords.Locked([&](rows::RowStore::Access& a) {
            a.Clear();
            for (const auto& row : keywordRows) a.Insert(rows::kEnd, row);
        });
        m_cyclic.Locked([&](rows::RowStore::Access& a) {
            a.Clear();
            for (const auto& row : cyclicRows) a.Insert(rows::kEnd, row);
        });
    }
    std::lock_guard<std::mutex> lock(m_saveMutex);
    m_bLoaded = true;
    m_bKeywordUnreadable = kw.status == queue::FileBytes::Unreadable;
    m_bCyclicUnreadable = cy.status == queue::FileBytes::Unreadable;
}

void CAutoReply::SaveLists() {
    std::lock_guard<std::mutex> save(m_saveMutex);
    if (!m_bLoaded) return;
    std::string keywordBytes, cyclicBytes;
    {
        std::lock_guard<std::mutex> lock(m_tableMutex);
        m_keywords.Locked([&](rows::RowStore::Access& a) {
            keywordBytes.reserve((a.Count() + 2) * sizeof(AutoReplyKeywordRecord));
            auto add = [&](std::string_view query, std::string_view reply, bool rawQuery) {
                AutoReplyKeywordRecord r{};
                if (rawQuery)
                    std::memcpy(r.query, query.data(), query.size());
                else
                    Put(r.query, query);
                Put(r.reply, reply);
                keywordBytes.append(reinterpret_cast<const char*>(&r), sizeof r);
            };
            for (std::size_t i = 0; i < a.Count(); ++i) add(a.CellAt(i, kColQuery), a.CellAt(i, kColReply), false);
            add("", m_strEmptyReply, true);
            add(kAnyOtherKey, m_strOtherReply, true);
        });
        m_cyclic.Locked([&](rows::RowStore::Access& a) {
            cyclicBytes.reserve(a.Count() * sizeof(AutoReplyCyclicRecord));
            for (std::size_t i = 0; i < a.Count(); ++i) {
                AutoReplyCyclicRecord r{};
                Put(r.text, a.CellAt(i, kColText));
                Put(r.mmsFile, a.CellAt(i, kColMmsFile));
                Put(r.timesSent, a.CellAt(i, kColTimesSent));
                cyclicBytes.append(reinterpret_cast<const char*>(&r), sizeof r);
            }
        });
    }
    // Each file on its own: one that fails does not stop the other.
    if (!m_bKeywordUnreadable) files::WriteFileAtomic(paths::AppFile(kKeywordFile), keywordBytes);
    if (!m_bCyclicUnreadable) files::WriteFileAtomic(paths::AppFile(kCyclicFile), cyclicBytes);
}

void CAutoReply::AddCyclicItem(const std::string& text, const std::string& file) {
    {
        std::lock_guard<std::mutex> lock(m_tableMutex);
        m_cyclic.Append({text, file, ""});
    }
    SaveLists();
}

void CAutoReply::AppendLog(AutoReplyLogRecord& record) {
    Put(record.time, GetNowString());
    files::AppendRecords(paths::AppFile(kLogFile), sizeof record, &record, 1);
}

void CAutoReply::Log(const char* status, const std::string& sender, const std::string& content,
                     const std::string& reply) {
    AutoReplyLogRecord r{};
    Put(r.status, status);
    Put(r.mobile, sender);
    Put(r.query, content);
    Put(r.reply, reply);
    AppendLog(r);
}

std::string CAutoReply::ChooseReply(const std::string& sender, const std::string& content, std::string& name,
                                    std::string& text, std::optional<std::string>* answered) {
    static constexpr const char* kLimited = "查询限制";
    if (!IsAnswerableSender(sender)) {
        Log(kLimited, sender, content, "<特服号消息，无信息回复>");
        return {};
    }
    name = GetNameByMobile(sender);
    if (Get(kOnlyLinkman) == 1 && name.empty()) {
        Log(kLimited, sender, content, "<查询限制，无信息回复>");
        return {};
    }

    std::string reply, logged;
    if (Get(kReplyMode) == 1) {
        std::lock_guard<std::mutex> lock(m_tableMutex);
        bool movePos = false, raiseNumber = false;
        const bool picked = m_cyclic.Locked([&](rows::RowStore::Access& a) {
            const std::size_t n = a.Count();
            if (n == 0) return false;
            std::size_t i;
            int p = -1;
            if (Get(kRandomPick) == 1) {
                ReplyRandom random(static_cast<unsigned>(ClockSeconds()));
                const int sum = random.Next() + random.Next() + random.Next();
                i = static_cast<std::size_t>(sum) % n;
            } else {
                p = Get(kCyclicPos);
                if (p < 0 || static_cast<std::size_t>(p) >= n) p = 0;
                i = static_cast<std::size_t>(p);
            }
            const int k = Get(kNextNumber);
            if (m_cyclicChoiceHook) m_cyclicChoiceHook();
            if (p >= 0) {
                m_settings[kCyclicPos] = p + 1;
                movePos = true;
            }
            text = std::string(a.CellAt(i, kColText));
            a.SetCellAt(i, kColTimesSent, RaiseCount(a.CellAt(i, kColTimesSent)));
            if (Get(kAddNumber) == 1) {
                m_settings[kNextNumber] = k < INT_MAX ? k + 1 : 0;
                raiseNumber = true;
                char digits[16];
                std::snprintf(digits, sizeof digits, "%06d", k);
                text = digits + text;
            }
            reply = PackageReplyOf(std::string(a.CellAt(i, kColMmsFile)));
            return true;
        });
        // Written through with the table lock still held, so the file keeps the last value.
        if (movePos) WriteSetting(kCyclicPos);
        if (raiseNumber) WriteSetting(kNextNumber);
        if (!picked) {
            Log("未回复", sender, content, "<未设置循环回复内容>");
            return {};
        }
        logged = text + " " + reply;
    } else {
        bool fromRow = false;
        {
            std::lock_guard<std::mutex> lock(m_tableMutex);
            if (content.empty()) {
                reply = m_strEmptyReply;
            } else {
                fromRow = m_keywords.Locked([&](rows::RowStore::Access& a) {
                    for (std::size_t i = 0; i < a.Count(); ++i) {
                        // UTF-8 here: folding ASCII letters never touches a byte of a GBK character.
                        if (codec::EqualsIgnoreAsciiCase(a.CellAt(i, kColQuery), content)) {
                            reply = std::string(a.CellAt(i, kColReply));
                            return true;
                        }
                    }
                    return false;
                });
                if (!fromRow) reply = m_strOtherReply;
            }
        }
        // A matching row answers even with an empty reply.
        if (!fromRow && reply.empty()) {
            Log("无查询项", sender, content, "<无查询项，无信息回复>");
            return {};
        }
        logged = reply;
    }
    if (answered) *answered = logged;
    else Log("已回复", sender, content, logged);
    return reply;
}

int CAutoReply::ProcessIncoming(const std::string& sender, const std::string& rawContent, int type) {
    if (Get(kDisabled) == 1) return 0;
    const int limit = Get(kQueryLimit);
    if (limit != 2 && limit != type) return 0;
    std::lock_guard<std::mutex> call(m_engineMutex);
    // Whatever the hook hands in stays within the record fields: a longer content is cut on a
    // character boundary; a sender the number field cannot hold is never answered, since its
    // cut form is a different number.
    const std::string content = codec::CutToGbkBytes(rawContent, kMaxContentBytes);
    if (codec::GbkLength(sender) > kMaxSenderBytes) {
        Log("查询限制", sender, content, kSenderTooLong);
        return 0;
    }

    std::string name, text;
    // The "已回复" record follows the reply into the queue, so a crash between the two never
    // leaves a record of a reply that was not queued.
    std::optional<std::string> answered;
    std::string reply = ChooseReply(sender, content, name, text, &answered);
    const auto logAnswered = [&] {
        if (answered) Log("已回复", sender, content, *answered);
    };
    if (reply.empty() && text.empty()) {
        logAnswered();
        return 0;
    }
    if (reply.empty()) reply = text;
    const int id = CFileUtil::GetNextSerial(1);

    const std::string prefix = kMmsPrefix;
    if (reply.compare(0, prefix.size(), prefix) == 0) {
        if (g_nMmsBalance < 1) {
            QueryMmsBalance();
            if (g_nMmsBalance < 1) {
                logAnswered();
                Log("查询限制", sender, content, "<彩信条数不足>");
                return 0;
            }
        }
        const std::string title = text.empty() ? std::string("自动回复") : text;
        const std::string package = reply.substr(prefix.size());
        const std::string path = g_strAppPath + "\\MMSSink\\" + package + ".qmx";
        std::string list;
        if (paths::FileExists(paths::ToFsPath(path))) {
            paths::MakeDirs(paths::ToFsPath(m_package.m_strWorkFolder));
            list = mmsupload::UploadUnderSerial(
                [&](int serial) { return UploadPackageFiles(m_package, path, serial); });
        }
        if (list.empty()) {
            logAnswered();
            Log("未回复", sender, content, "<彩信上传失败，无信息回复>");
        } else {
            if (m_writers.AddMMSItem) m_writers.AddMMSItem(id, sender, list, title, package);
            logAnswered();
        }
        return 1;
    }
    if (g_nSmsBalance < 1) {
        logAnswered();
        Log("查询限制", sender, content, "<短信条数不足>");
        return 0;
    }
    text = TrimRight(text);
    if (text.empty()) text = reply;
    if (m_writers.AddSMSItem) m_writers.AddSMSItem(id, sender, name, text);
    logAnswered();
    return 1;
}
