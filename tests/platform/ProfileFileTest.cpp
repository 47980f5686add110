#include "platform/ProfileFile.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;

namespace {
// A file as another program might leave it: CRLF, comments, blanks, other case, GBK.
const std::string kFixture = codec::ToGbk(
    "; settings\r\n"
    "[登陆信息]\r\n"
    "  企业代码 =  abc  \r\n"
    "Port=8080x\r\n"
    "Neg= -12\r\n"
    "Plus=+7\r\n"
    "Text=none\r\n"
    "Empty=\r\n"
    "名称=中文字\r\n"
    "\r\n"
    "[Other]\r\n"
    "port=1\r\n"
    "[乚]\r\n"
    "k=v\r\n");
}  // namespace

TEST(ProfileFile, ReadsLikeWindows) {
    TempAppDir dir;
    const std::string f = dir.file("Logp.dat");
    WriteFile(f, kFixture);
    struct Case {
        const char* section;
        const char* key;
        std::size_t buf;
        std::string want;
    };
    const Case cases[] = {
        {"登陆信息", "企业代码", 50, "abc"},
        {"登陆信息", "PORT", 50, "8080x"},   // key in other case
        {"OTHER", "Port", 50, "1"},         // section in other case
        {"登陆信息", "名称", 50, "中文字"},
        {"登陆信息", "名称", 6, "中文"},     // 5 bytes allowed: the third character does not fit
        {"登陆信息", "名称", 1, ""},
        {"登陆信息", "Empty", 50, ""},       // present but empty: not the default
        {"登陆信息", "missing", 50, "def"},
        {"nosection", "Port", 50, "def"},
        {"乚", "k", 50, "v"},                // "]" as a trail byte of the section name
        {"登陆信息", "missing", 3, "de"},     // the default is cut by the buffer too
    };
    for (const auto& c : cases)
        EXPECT_EQ(profile::GetString(f, c.section, c.key, "def", c.buf), c.want) << c.section << "/" << c.key;
    EXPECT_EQ(profile::GetString(dir.file("none.ini"), "a", "b", "x", 10), "x");
}

TEST(ProfileFile, IntegersTakeSignAndLeadingDigits) {
    TempAppDir dir;
    const std::string f = dir.file("Logp.dat");
    WriteFile(f, kFixture);
    struct Case {
        const char* key;
        int want;
    };
    const Case cases[] = {{"port", 8080}, {"Neg", -12}, {"Plus", 7}, {"Text", 0}, {"Empty", 0}, {"missing", 99}};
    for (const auto& c : cases) EXPECT_EQ(profile::GetInt(f, "登陆信息", c.key, 99), c.want) << c.key;
    EXPECT_EQ(profile::GetInt(dir.file("none.ini"), "a", "b", 80), 80);
}

TEST(ProfileFile, WriteChangesOnlyItsLine) {
    TempAppDir dir;
    const std::string f = dir.file("Logp.dat");
    WriteFile(f, kFixture);

    // Existing key in other case: that line only.
    ASSERT_TRUE(profile::WriteString(f, "其他", "x", "1"));  // new section at the end
    ASSERT_TRUE(profile::WriteString(f, "登陆信息", "PLUS", "8"));
    ASSERT_TRUE(profile::WriteString(f, "other", "新键", "值"));  // new key after the section's last line
    std::string want = kFixture;
    want.replace(want.find("Plus=+7"), 7, "PLUS=8");
    want.replace(want.find("port=1\r\n") + 8, 0, codec::ToGbk("新键=值\r\n"));
    want += codec::ToGbk("\r\n[其他]\r\nx=1\r\n");
    EXPECT_EQ(ReadFile(f), want);
    EXPECT_EQ(profile::GetString(f, "其他", "X", "", 10), "1");
}

TEST(ProfileFile, WriteCreatesFileAndKeepsUnterminatedLastLine) {
    TempAppDir dir;
    const std::string f = dir.file("new.ini");
    ASSERT_TRUE(profile::WriteString(f, "登陆信息", "流水号", "12"));
    EXPECT_EQ(ReadFile(f), codec::ToGbk("[登陆信息]\r\n流水号=12\r\n"));

    const std::string g = dir.file("unix.ini");
    WriteFile(g, "[a]\nk=1");  // LF file whose last line has no line end
    ASSERT_TRUE(profile::WriteString(g, "a", "n", "2"));
    EXPECT_EQ(ReadFile(g), "[a]\nk=1\nn=2\n");
    ASSERT_TRUE(profile::WriteString(g, "a", "n", "3"));
    EXPECT_EQ(ReadFile(g), "[a]\nk=1\nn=3\n");
    // A value cannot smuggle in keys or sections.
    ASSERT_TRUE(profile::WriteString(g, "a", "n", "4\r\n[b]\nk=evil"));
    EXPECT_EQ(ReadFile(g), "[a]\nk=1\nn=4\n");
}

TEST(ProfileFileThreads, TwoWritersLoseNothing) {
    TempAppDir dir;
    const std::string f = dir.file("Logp.dat");
    constexpr int kKeys = 60;
    auto writer = [&](const char* prefix) {
        for (int i = 0; i < kKeys; ++i)
            profile::WriteString(f, "s", prefix + std::to_string(i), std::to_string(i));
    };
    std::thread a(writer, "a"), b(writer, "b");
    // Another spelling of the same path shares the lock.
    std::thread c([&] {
        for (int i = 0; i < kKeys; ++i)
            profile::WriteString(dir.path() + "//./Logp.dat", "s", "c" + std::to_string(i), "x");
    });
    a.join();
    b.join();
    c.join();
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(profile::GetInt(f, "s", "a" + std::to_string(i), -1), i);
        EXPECT_EQ(profile::GetInt(f, "s", "b" + std::to_string(i), -1), i);
        EXPECT_EQ(profile::GetString(f, "s", "c" + std::to_string(i), "", 10), "x");
    }
}
