// Auto-reply files and engine: the table files byte for byte, the settings' read rule, and the
// engine's decisions as a table of settings and rows in, log records, queue rows and settings out.
#include "contacts/AutoReply.h"
#include "contacts/AutoReplyFixture.h"
#include "core/Globals.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace autoreply;
using autoreplytest::CyclicRec;
using autoreplytest::KeywordRec;
using autoreplytest::LogLine;
using autoreplytest::ReadLog;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class AutoReplyFiles : public autoreplytest::EngineFixture {};

std::vector<std::vector<std::string>> Rows(rows::RowStore& s) {
    std::vector<std::vector<std::string>> out;
    for (const rows::RowData& r : s.Snapshot()) out.push_back(r.cells);
    return out;
}

}  // namespace

TEST_F(AutoReplyFiles, LoadTable) {
    const std::string full(50, '\0');
    std::string wide;  // 25 "中" filling the 50-byte query without a NUL
    for (int i = 0; i < 25; ++i) wide += "\xD6\xD0";
    struct Case {
        const char* name;
        std::string kw, cy;  // file bytes; "-" for no file
        std::vector<std::vector<std::string>> keywords, cyclic;
        std::string emptyReply, otherReply;
        bool savesBack;  // saving gives the same "AutoRe1.dat"
    } cases[] = {
        {"no files", "-", "-", {}, {}, "", "", false},
        {"1650 bytes", KeywordRec("ABC", "回复一") + KeywordRec("", "空消息回复") + KeywordRec(kAnyOtherKey, "其他回复"),
         "-", {{"ABC", "回复一"}}, {}, "空消息回复", "其他回复", true},
        {"551 bytes", KeywordRec("查询", "答复") + "x", "", {{"查询", "答复"}}, {}, "", "", false},
        {"reserved key as a row", KeywordRec("a", "1") + KeywordRec(kAnyOtherKey, "2"), "-", {{"a", "1"}}, {}, "", "2",
         false},
        {"blank text dropped", "-", CyclicRec("第一", "", "3") + CyclicRec(" \t ", "x", "1") + CyclicRec("第二", "G\\N.qmx", ""),
         {}, {{"第一", "", "3"}, {"第二", "G\\N.qmx", ""}}, "", "", false},
        {"full-width fields", wide + std::string(500, 'r'), std::string(1024, 'c'),
         {{codec::FromGbk(wide), std::string(500, 'r')}},
         {{std::string(512, 'c'), std::string(488, 'c'), std::string(24, 'c')}}, "", "", false},
        {"invalid GBK", KeywordRec("", "") + std::string("\xFF\xFF" "ab", 4) + std::string(546, '\0'), "-",
         {{"??ab", ""}}, {}, "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        if (c.kw != "-") WriteFile(dir.file("AutoRe1.dat"), c.kw);
        if (c.cy != "-") WriteFile(dir.file("AutoRe2.dat"), c.cy);
        engine->LoadSettings();
        EXPECT_EQ(Rows(engine->KeywordList()), c.keywords);
        EXPECT_EQ(Rows(engine->CyclicList()), c.cyclic);
        EXPECT_EQ(engine->EmptyReply(), c.emptyReply);
        EXPECT_EQ(engine->OtherReply(), c.otherReply);
        if (c.savesBack) {
            engine->SaveLists();
            EXPECT_EQ(ReadFile(dir.file("AutoRe1.dat")), c.kw);
        }
    }
    // Full-width fields go back cut to keep their NUL, on a character boundary.
    Fresh();
    WriteFile(dir.file("AutoRe1.dat"), wide + std::string(500, 'r'));
    engine->LoadSettings();
    engine->SaveLists();
    const std::string saved = ReadFile(dir.file("AutoRe1.dat"));
    ASSERT_EQ(saved.size(), 3 * 550u);
    EXPECT_EQ(saved.substr(0, 50), wide.substr(0, 48) + std::string(2, '\0'));
    EXPECT_EQ(saved.substr(50, 500), std::string(499, 'r') + '\0');
}

TEST_F(AutoReplyFiles, SettingsReadTheirLeadingDigits) {
    struct Case {
        const char* value;  // nullptr: key missing
        int expect;
    } cases[] = {{nullptr, 2}, {"", 0}, {"abc", 0}, {"12abc", 12}, {"-1", -1}, {"1234567890123", 123456789}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "missing");
        Fresh();
        if (c.value) profile::WriteString(dir.file("AutoReS.dat"), kSection, "查询消息限制", c.value);
        engine->LoadSettings();
        EXPECT_EQ(engine->Get(kQueryLimit), c.expect);
    }
    // A first start: the defaults, and the mode key written back by the load.
    Fresh();
    engine->LoadSettings();
    for (int s = 0; s < kSettingCount; ++s) EXPECT_EQ(engine->Get(Setting(s)), s == kQueryLimit ? 2 : 0);
    EXPECT_EQ(profile::GetString(dir.file("AutoReS.dat"), kSection, "标记回复与循环回复", "x", 10), "0");
    // A change is written through at once and read by the next run.
    engine->Set(kCyclicPos, 7);
    Restart();
    engine->LoadSettings();
    EXPECT_EQ(engine->Get(kCyclicPos), 7);
}

TEST_F(AutoReplyFiles, SaveOnlyAfterALoadAndNeverOverAnUnreadableFile) {
    // An exit before the load leaves the tables as they are.
    const std::string kw = KeywordRec("q", "r") + KeywordRec("", "") + KeywordRec(kAnyOtherKey, "");
    WriteFile(dir.file("AutoRe1.dat"), kw);
    engine->SaveLists();
    engine->AddCyclicItem("t", "");
    EXPECT_EQ(ReadFile(dir.file("AutoRe1.dat")), kw);
    EXPECT_FALSE(paths::FileExists(dir.file("AutoRe2.dat")));

    // A table that could not be read is not rewritten in that run; the other one is.
    Fresh();
    paths::MakeDirs(dir.file("AutoRe1.dat"));
    engine->LoadSettings();
    ASSERT_EQ(::rmdir(dir.file("AutoRe1.dat").c_str()), 0);
    engine->KeywordList().Append({"new", "row"});
    engine->AddCyclicItem("短信回复", "");
    EXPECT_FALSE(paths::FileExists(dir.file("AutoRe1.dat")));
    EXPECT_EQ(ReadFile(dir.file("AutoRe2.dat")), CyclicRec("短信回复", "", ""));
}

// ---- The engine ---------------------------------------------------------------------------------

namespace {

struct Setup {
    std::vector<std::pair<Setting, int>> settings = {};
    std::vector<std::vector<std::string>> keywords = {};
    std::vector<std::vector<std::string>> cyclic = {};
    std::string emptyReply = {};
    std::string otherReply = {};
    std::string name = {};  // the address book's answer
    int smsBalance = 100;
};

struct EngineCase {
    const char* title;
    Setup in;
    std::string sender, content;
    int type;
    int result;
    std::vector<LogLine> log;
    std::vector<autoreplytest::SmsRow> queued;
    std::vector<std::pair<Setting, int>> settingsAfter;
    std::vector<std::string> timesSentAfter;
};

const std::vector<std::vector<std::string>> kAbc = {{"ABC", "大写回复"}, {"abc", "第二行"}};
const std::vector<std::vector<std::string>> kThree = {{"一", "", ""}, {"二", "", "4"}, {"三", "", ""}};
constexpr const char* kMobile = "13800138000";

}  // namespace

class AutoReplyEngine : public autoreplytest::EngineFixture {};

TEST_F(AutoReplyEngine, DecisionTable) {
    const LogLine service{"查询限制", "<特服号消息，无信息回复>"};
    const LogLine noItem{"无查询项", "<无查询项，无信息回复>"};
    const LogLine tooLong{"查询限制", "<号码超长，无信息回复>"};
    const EngineCase cases[] = {
        {"five digits", {.keywords = kAbc}, "10086", "abc", 0, 0, {service}, {}, {}, {}},
        {"leading +", {.keywords = kAbc}, "+8613800138000", "abc", 0, 0, {service}, {}, {}, {}},
        {"ten digits", {.keywords = kAbc}, "1380013800", "abc", 0, 0, {service}, {}, {}, {}},
        {"comma", {.keywords = kAbc}, "13800138000,13900139000", "abc", 0, 0, {tooLong}, {}, {}, {}},
        {"short comma", {.keywords = kAbc}, "13800,13900", "abc", 0, 0, {service}, {}, {}, {}},
        {"quoted", {.keywords = kAbc}, "\"13800138000\"", "abc", 0, 0, {service}, {}, {}, {}},
        // A sender wider than the number field would be answered at its cut form: a different number.
        {"twenty digits", {.keywords = kAbc}, "13800138000123456789", "abc", 0, 0, {tooLong}, {}, {}, {}},
        {"forty digits", {.keywords = kAbc}, std::string(40, '1'), "abc", 0, 0, {tooLong}, {}, {}, {}},
        {"nineteen digits", {.keywords = kAbc}, "1380013800012345678", "abc", 0, 1, {{"已回复", "大写回复"}},
         {{"1380013800012345678", "", "大写回复"}}, {}, {}},
        {"forty digits, stopped", {.settings = {{kDisabled, 1}}, .keywords = kAbc}, std::string(40, '1'), "abc", 0, 0,
         {}, {}, {}, {}},
        {"eleven digits, first row of two", {.keywords = kAbc}, kMobile, "abc", 0, 1,
         {{"已回复", "大写回复"}}, {{kMobile, "", "大写回复"}}, {}, {}},
        {"trailing blank", {.keywords = kAbc}, kMobile, "abc ", 0, 0, {noItem}, {}, {}, {}},
        {"GBK trail bytes are not letters", {.keywords = {{"乤", "错"}}}, kMobile, "丄", 0, 0, {noItem}, {}, {}, {}},
        {"any other reply", {.keywords = kAbc, .otherReply = "其他"}, kMobile, "xyz", 0, 1, {{"已回复", "其他"}},
         {{kMobile, "", "其他"}}, {}, {}},
        {"empty content, no reply", {.keywords = {{"", "x"}}}, kMobile, "", 0, 0, {noItem}, {}, {}, {}},
        {"empty content", {.emptyReply = "空"}, kMobile, "", 0, 1, {{"已回复", "空"}}, {{kMobile, "", "空"}}, {}, {}},
        {"matching row with empty reply", {.keywords = {{"q", ""}}, .otherReply = "其他"}, kMobile, "Q", 0, 0,
         {{"已回复", ""}}, {}, {}, {}},
        {"address book only, unknown", {.settings = {{kOnlyLinkman, 1}}, .keywords = kAbc}, kMobile, "abc", 0, 0,
         {{"查询限制", "<查询限制，无信息回复>"}}, {}, {}, {}},
        {"address book only, known", {.settings = {{kOnlyLinkman, 1}}, .keywords = kAbc, .name = "张三"}, kMobile,
         "abc", 0, 1, {{"已回复", "大写回复"}}, {{kMobile, "张三", "大写回复"}}, {}, {}},
        {"stopped", {.settings = {{kDisabled, 1}}, .keywords = kAbc}, kMobile, "abc", 0, 0, {}, {}, {}, {}},
        {"MMS not answered", {.settings = {{kQueryLimit, 0}}, .keywords = kAbc}, kMobile, "abc", 1, 0, {}, {}, {}, {}},
        {"SMS only answered", {.settings = {{kQueryLimit, 0}}, .keywords = kAbc}, kMobile, "abc", 0, 1,
         {{"已回复", "大写回复"}}, {{kMobile, "", "大写回复"}}, {}, {}},
        {"no SMS balance", {.keywords = kAbc, .smsBalance = 0}, kMobile, "abc", 0, 0,
         {{"已回复", "大写回复"}, {"查询限制", "<短信条数不足>"}}, {}, {}, {}},
        {"empty reply list", {.settings = {{kReplyMode, 1}}}, kMobile, "x", 0, 0, {{"未回复", "<未设置循环回复内容>"}},
         {}, {}, {}},
        {"position past the end", {.settings = {{kReplyMode, 1}, {kCyclicPos, 3}}, .cyclic = kThree}, kMobile, "x", 0,
         1, {{"已回复", "一 "}}, {{kMobile, "", "一"}}, {{kCyclicPos, 1}}, {"1", "4", ""}},
        {"position below 0", {.settings = {{kReplyMode, 1}, {kCyclicPos, -1}}, .cyclic = kThree}, kMobile, "x", 0, 1,
         {{"已回复", "一 "}}, {{kMobile, "", "一"}}, {{kCyclicPos, 1}}, {"1", "4", ""}},
        {"second row", {.settings = {{kReplyMode, 1}, {kCyclicPos, 1}}, .cyclic = kThree}, kMobile, "x", 0, 1,
         {{"已回复", "二 "}}, {{kMobile, "", "二"}}, {{kCyclicPos, 2}}, {"", "5", ""}},
        {"numbering 41",
         {.settings = {{kReplyMode, 1}, {kAddNumber, 1}, {kNextNumber, 41}}, .cyclic = {{"回复 \r\n", "", "x"}}},
         kMobile, "x", 0, 1, {{"已回复", "000041回复 \r\n "}}, {{kMobile, "", "000041回复"}},
         {{kNextNumber, 42}, {kCyclicPos, 1}}, {"1"}},
        {"list mode ignores keywords", {.settings = {{kReplyMode, 1}}, .keywords = kAbc, .cyclic = {{"表", "", ""}}},
         kMobile, "abc", 0, 1, {{"已回复", "表 "}}, {{kMobile, "", "表"}}, {}, {"1"}},
    };
    for (const EngineCase& c : cases) {
        SCOPED_TRACE(c.title);
        Fresh();
        engine->LoadSettings();
        for (auto [s, v] : c.in.settings) engine->Set(s, v);
        for (const auto& r : c.in.keywords) engine->KeywordList().Append(r);
        for (const auto& r : c.in.cyclic) engine->CyclicList().Append(r);
        engine->SetEmptyReply(c.in.emptyReply);
        engine->SetOtherReply(c.in.otherReply);
        const std::string name = c.in.name;
        SetNameLookup([name](const std::string& m) { return m == kMobile ? name : std::string(); });
        g_nSmsBalance = c.in.smsBalance;

        EXPECT_EQ(engine->ProcessIncoming(c.sender, c.content, c.type), c.result);
        const std::vector<AutoReplyLogRecord> log = ReadLog();
        ASSERT_EQ(log.size(), c.log.size());
        for (std::size_t i = 0; i < log.size(); ++i) {
            EXPECT_EQ(LogLine::Of(log[i]), c.log[i]);
            EXPECT_EQ(codec::FromGbkField(log[i].query, 40), codec::CutToGbkBytes(c.content, 39));
            EXPECT_EQ(codec::FromGbkField(log[i].mobile, 30), codec::CutToGbkBytes(c.sender, 29));
            EXPECT_EQ(codec::FromGbkField(log[i].time, 40), "2026-12-10 08:30:05");
        }
        EXPECT_EQ(sms, c.queued);
        for (auto [s, v] : c.settingsAfter) {
            EXPECT_EQ(engine->Get(s), v);
            EXPECT_EQ(profile::GetInt(dir.file("AutoReS.dat"), kSection, SettingKey(s), -99), v);
        }
        if (!c.timesSentAfter.empty()) {
            std::vector<std::string> counts;
            for (const rows::RowData& r : engine->CyclicList().Snapshot()) counts.push_back(r.cells[kColTimesSent]);
            EXPECT_EQ(counts, c.timesSentAfter);
        }
    }
    SetNameLookup({});
}

TEST_F(AutoReplyEngine, LogFieldsAreCutAndTheRestStaysZero) {
    engine->LoadSettings();
    engine->SetOtherReply(std::string(70, 'r'));
    const std::string content = "长" + std::string(600, 'c');  // past the hook's 511 bytes
    EXPECT_EQ(engine->ProcessIncoming(kMobile, content, 0), 1);
    const auto log = ReadLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(std::string(log[0].query, 40), codec::ToGbk("长") + std::string(37, 'c') + '\0');
    EXPECT_EQ(std::string(log[0].reply, 60), std::string(59, 'r') + '\0');
    EXPECT_EQ(std::string(log[0].name, 40) + std::string(log[0].key, 60) + std::string(log[0].port, 10),
              std::string(110, '\0'));
    ASSERT_EQ(sms.size(), 1u);
    EXPECT_EQ(sms[0].text, std::string(70, 'r'));
}

TEST_F(AutoReplyEngine, PackageReplyOfAReplyListFile) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\app\\MMSSink\\G\\N.qmx", "彩信文件：G\\N"},
        {"G\\名字.qmx", "彩信文件：G\\名字"},
        {"N.qmx", ""},
        {"\\N.qmx", ""},
        {"G\\a", ""},
        {"G\\.qmx", ""},
        {"", ""},
    };
    for (const auto& [file, reply] : cases) EXPECT_EQ(PackageReplyOf(file), reply) << file;
}

TEST_F(AutoReplyEngine, RandomPicksInOneSecondTakeOneRow) {
    engine->LoadSettings();
    engine->Set(kReplyMode, 1);
    engine->Set(kRandomPick, 1);
    engine->Set(kCyclicPos, 2);
    for (int i = 0; i < 7; ++i) engine->CyclicList().Append({"行" + std::to_string(i), "", ""});
    ReplyRandom r(static_cast<unsigned>(ClockSeconds()));
    const int expect = (r.Next() + r.Next() + r.Next()) % 7;
    EXPECT_EQ(engine->ProcessIncoming(kMobile, "a", 0), 1);
    EXPECT_EQ(engine->ProcessIncoming("13900139000", "b", 0), 1);
    ASSERT_EQ(sms.size(), 2u);
    EXPECT_EQ(sms[0].text, "行" + std::to_string(expect));
    EXPECT_EQ(sms[1].text, sms[0].text);
    EXPECT_EQ(engine->CyclicList().Snapshot()[static_cast<std::size_t>(expect)].cells[kColTimesSent], "2");
    EXPECT_EQ(engine->Get(kCyclicPos), 2);  // not touched
    // The values stay within 0..32767.
    ReplyRandom g(1);
    for (int i = 0; i < 100000; ++i) {
        const int v = g.Next();
        ASSERT_TRUE(v >= 0 && v <= 32767);
    }
}
