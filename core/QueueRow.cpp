#include "core/QueueRow.h"

#include "core/RecordCodec.h"
#include "core/Helpers.h"
#include "core/Scheduler.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/RowStore.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <vector>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace queue {

namespace {
bool IsAscii(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}
}  // namespace

Placement PlacementOf(std::string_view schedule) {
    if (!schedule.empty() && schedule.front() == '[') return Placement::Cyclic;
    if (codec::GbkLength(schedule) < 6) return Placement::Immediate;
    return Placement::Timed;
}

const char* TypeText(Placement placement, Kind kind) {
    const bool sms = kind == Kind::Sms;
    switch (placement) {
        case Placement::Immediate: return sms ? kTypeImmediateSms : kTypeImmediateMms;
        case Placement::Timed: return sms ? kTypeTimedSms : kTypeTimedMms;
        case Placement::Cyclic: return sms ? kTypeCyclicSms : kTypeCyclicMms;
    }
    return "";
}

std::size_t Column2Width(Kind kind) {
    return kind == Kind::Sms ? sizeof(MsgRecord::szName) : sizeof(MsgRecord::szFiles);
}

int MinuteKey(std::string_view schedule) {
    int month = -1, day = -1, hour = -1, minute = -1;
    if (const auto t = sched::ParseDateTime(schedule)) {
        month = t->month;
        day = t->day;
        hour = t->hour;
        minute = t->minute;
    }
    return ((month * 31 + day) * 24 + hour) * 60 + minute;
}

std::string PackageSizeText(const std::string& package) {
    long long size = paths::FileSize(paths::AppFile("MMSSink\\" + package + ".qmx"));
    if (size < 0) size = 0;
    return std::to_string(size / 1000 + 1) + "K";
}

FileBytes ReadQueueFile(const std::string& fsPath) {
    FileBytes f;
    const int fd = ::open(fsPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        f.status = errno == ENOENT ? FileBytes::Missing : FileBytes::Unreadable;
        return f;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        f.status = FileBytes::Unreadable;
        return f;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    f.data.reset(new char[size ? size : 1]);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, f.data.get() + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            f.status = FileBytes::Unreadable;
            f.data.reset();
            return f;
        }
        if (n == 0) break;  // the file shrank meanwhile: take what is there
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    f.size = got;
    f.status = FileBytes::Read;
    return f;
}

const char* RecordFault(const MsgRecord& r, bool checkNumber) {
    const auto ends = [](const char* field, std::size_t width) { return std::memchr(field, '\0', width) != nullptr; };
    if (!ends(r.szType, sizeof r.szType) || !ends(r.szResourceId, sizeof r.szResourceId) ||
        !ends(r.szName, sizeof r.szName) || (checkNumber && !ends(r.szNumber, sizeof r.szNumber)) ||
        !ends(r.szText, sizeof r.szText) || !ends(r.szTime, sizeof r.szTime) ||
        !ends(r.szSubmitTime, sizeof r.szSubmitTime) || !ends(r.szPackage, sizeof r.szPackage) ||
        !ends(r.szFiles, sizeof r.szFiles) || !ends(r.szSize, sizeof r.szSize))
        return "文本字段没有结束符";
    // The six type texts in GBK, as the record holds them.
    static const std::vector<std::string> types = [] {
        std::vector<std::string> v;
        for (const char* t : {kTypeImmediateSms, kTypeTimedSms, kTypeCyclicSms, kTypeImmediateMms, kTypeTimedMms,
                              kTypeCyclicMms})
            v.push_back(codec::ToGbk(t));
        return v;
    }();
    const std::string_view type(r.szType, std::strlen(r.szType));
    if (std::find(types.begin(), types.end(), type) == types.end()) return "类型不是队列类型";
    return nullptr;
}

void KeepBadCopy(const std::string& fileName, std::string_view bytes, const LoadStop& stop) {
    const bool kept = files::WriteFileAtomic(paths::AppFile(fileName) + ".bad", bytes);
    WriteRunLog("队列文件 " + fileName + " 第 " + std::to_string(stop.entry) + " 条记录无效（" + stop.why +
                "），其后的记录未读入；" + (kept ? "原文件已复制为 " + fileName + ".bad" : "无法写入 " + fileName + ".bad"));
}

// --- RowPacker ----------------------------------------------------------------------------

void RowPacker::AppendField(int slot, const char* field, std::size_t width, std::string& out) {
    const void* nul = std::memchr(field, '\0', width);
    const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
    if (IsAscii(field, len)) {
        out.append(field, len);
        return;
    }
    Last& last = m_last[slot];
    if (last.gbk.size() != len || std::memcmp(last.gbk.data(), field, len) != 0) {
        last.gbk.assign(field, len);
        last.utf8 = codec::FromGbk(last.gbk);
    }
    out.append(last.utf8);
}

void RowPacker::Pack(const MsgRecord& r, std::string_view col0, std::string_view col1, Kind col2Kind,
                     std::string& out) {
    out.append(col0);
    out.push_back('\0');
    AppendField(kColumnCount, col1.data(), col1.size(), out);
    out.push_back('\0');
    if (col2Kind == Kind::Sms) AppendField(kColNameOrFiles, r.szName, sizeof r.szName, out);
    else AppendField(kColNameOrFiles, r.szFiles, sizeof r.szFiles, out);
    out.push_back('\0');
    AppendField(kColText, r.szText, sizeof r.szText, out);
    out.push_back('\0');
    AppendField(kColTime, r.szTime, sizeof r.szTime, out);
    out.push_back('\0');
    AppendField(kColResourceId, r.szResourceId, sizeof r.szResourceId, out);
    out.push_back('\0');
    AppendField(kColSubmitTime, r.szSubmitTime, sizeof r.szSubmitTime, out);
    out.push_back('\0');
    AppendField(kColPackage, r.szPackage, sizeof r.szPackage, out);
    out.push_back('\0');
    out.push_back('\0');  // 8: state
    out.push_back('\0');  // 9: device
    AppendField(kColSize, r.szSize, sizeof r.szSize, out);
    out.push_back('\0');
    out.append(std::to_string(r.nId));
}

// --- RecordFiller -------------------------------------------------------------------------

const std::string& RecordFiller::Gbk(int slot, std::string_view utf8) {
    Last& last = m_last[slot];
    if (!last.valid || last.utf8 != utf8) {
        last.utf8.assign(utf8);
        last.gbk = codec::ToGbk(utf8);
        last.valid = true;
    }
    return last.gbk;
}

void RecordFiller::Put(int slot, char* field, std::size_t width, std::string_view utf8) {
    if (utf8.empty()) return;
    std::string_view gbk;
    if (IsAscii(utf8.data(), utf8.size())) gbk = utf8;
    else gbk = Gbk(slot, utf8);
    const std::string_view cut = codec::CutGbkBytes(gbk, width - 1);
    std::memcpy(field, cut.data(), cut.size());
}

void RecordFiller::Fill(std::string_view packed, Kind col2Kind, bool numberInRecord, MsgRecord& r) {
    std::string_view cells[kColumnCount];
    std::string_view rest = packed;
    for (int c = 0; c < kColumnCount; ++c) {
        const std::size_t n = rest.find('\0');
        cells[c] = rest.substr(0, n);
        if (n == std::string_view::npos) break;
        rest.remove_prefix(n + 1);
    }
    long long id = 0;
    {
        // The integer value of column 11 (leading blanks, sign, digits).
        std::string_view s = cells[kColId];
        std::size_t i = 0;
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        bool neg = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && id < 10000000000LL) id = id * 10 + (s[i++] - '0');
        if (neg) id = -id;
        if (id > INT32_MAX || id < INT32_MIN) id = 0;
    }
    r.nId = static_cast<std::int32_t>(id);
    Put(kColType, r.szType, sizeof r.szType, cells[kColType]);
    if (numberInRecord) Put(kColNumber, r.szNumber, sizeof r.szNumber, cells[kColNumber]);
    if (col2Kind == Kind::Sms) Put(kColNameOrFiles, r.szName, sizeof r.szName, cells[kColNameOrFiles]);
    else Put(kColNameOrFiles, r.szFiles, sizeof r.szFiles, cells[kColNameOrFiles]);
    Put(kColText, r.szText, sizeof r.szText, cells[kColText]);
    Put(kColTime, r.szTime, sizeof r.szTime, cells[kColTime]);
    Put(kColResourceId, r.szResourceId, sizeof r.szResourceId, cells[kColResourceId]);
    Put(kColSubmitTime, r.szSubmitTime, sizeof r.szSubmitTime, cells[kColSubmitTime]);
    Put(kColPackage, r.szPackage, sizeof r.szPackage, cells[kColPackage]);
    Put(kColSize, r.szSize, sizeof r.szSize, cells[kColSize]);
}

}  // namespace queue
