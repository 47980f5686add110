#pragma once
// A program folder with a fixed clock and one auto-reply engine whose answers are recorded.
#include "contacts/AutoReply.h"
#include "core/Globals.h"
#include "core/MsgRecord.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace autoreplytest {

// Records of the table files, as the files hold them.
inline std::string KeywordRec(const std::string& query, const std::string& reply) {
    AutoReplyKeywordRecord r{};
    msgrec::SetField(r.query, query);
    msgrec::SetField(r.reply, reply);
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}
inline std::string CyclicRec(const std::string& text, const std::string& file, const std::string& times) {
    AutoReplyCyclicRecord r{};
    msgrec::SetField(r.text, text);
    msgrec::SetField(r.mmsFile, file);
    msgrec::SetField(r.timesSent, times);
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

// Status and reply of a log record.
struct LogLine {
    std::string status, reply;
    static LogLine Of(const AutoReplyLogRecord& r) {
        return {codec::FromGbkField(r.status, sizeof r.status), codec::FromGbkField(r.reply, sizeof r.reply)};
    }
    bool operator==(const LogLine&) const = default;
    friend std::ostream& operator<<(std::ostream& o, const LogLine& l) { return o << l.status << " " << l.reply; }
};

inline std::vector<AutoReplyLogRecord> ReadLog() {
    const std::string bytes = testsupport::ReadFile(paths::AppFile("RL.dat"));
    std::vector<AutoReplyLogRecord> out(bytes.size() / sizeof(AutoReplyLogRecord));
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(AutoReplyLogRecord));
    return out;
}

struct SmsRow {
    std::string number, name, text;
    bool operator==(const SmsRow&) const = default;
    friend std::ostream& operator<<(std::ostream& o, const SmsRow& r) {
        return o << r.number << "|" << r.name << "|" << r.text;
    }
};
struct MmsRow {
    std::string number, files, title, package;
    bool operator==(const MmsRow&) const = default;
};

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        clk::SetFixed(2026, 12, 10, 8, 30, 5);
        Restart();
    }
    void TearDown() override {
        engine.reset();
        g_strAutoReplyIni.clear();
        clk::Reset();
    }
    // A new run over the same files.
    void Restart() {
        g_strAutoReplyIni = g_strAppPath + "\\AutoReS.dat";
        g_nSmsBalance = 100;
        g_nMmsBalance = 100;
        sms.clear();
        mms.clear();
        autoreply::QueueWriters w;
        w.AddSMSItem = [this](int, const std::string& n, const std::string& name, const std::string& t) {
            std::lock_guard<std::mutex> lock(m);
            sms.push_back({n, name, t});
        };
        w.AddMMSItem = [this](int, const std::string& n, const std::string& f, const std::string& t,
                              const std::string& p) {
            std::lock_guard<std::mutex> lock(m);
            mms.push_back({n, f, t, p});
        };
        engine = std::make_unique<CAutoReply>(w);
    }
    // A new run over an empty folder.
    void Fresh() {
        for (const char* f : {"AutoRe1.dat", "AutoRe2.dat", "AutoReS.dat", "RL.dat", "SmsIndex.dat"})
            std::remove(dir.file(f).c_str());
        Restart();
    }

    testsupport::TempAppDir dir;
    std::unique_ptr<CAutoReply> engine;
    std::mutex m;
    std::vector<SmsRow> sms;
    std::vector<MmsRow> mms;
};

}  // namespace autoreplytest
