#include "core/FileUtil.h"
#include "platform/AppPath.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <barrier>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;

namespace {
std::string U32(std::uint32_t v) {
    char b[4];
    std::memcpy(b, &v, 4);
    return std::string(b, 4);
}
}  // namespace

TEST(FileUtil, NextSerialFollowsTheStoredCounter) {
    struct Case {
        const char* name;
        std::optional<std::string> file;  // nothing: no file
        int count;
        int want;
        std::uint32_t stored;
    };
    const Case cases[] = {
        {"missing", std::nullopt, 1, 2, 4},
        {"value", U32(100), 1, 101, 103},
        {"zero", U32(0), 1, 2, 4},
        {"990001 wraps", U32(990001), 1, 2, 4},
        {"990000 does not", U32(990000), 1, 990001, 990003},
        {"short file", std::string("\x05\x00", 2), 1, 2, 4},
        {"count 5", U32(10), 5, 11, 17},
    };
    for (const auto& c : cases) {
        TempAppDir dir;
        if (c.file) WriteFile(dir.file("SmsIndex.dat"), *c.file);
        EXPECT_EQ(CFileUtil::GetNextSerial(c.count), c.want) << c.name;
        EXPECT_EQ(ReadFile(dir.file("SmsIndex.dat")), U32(c.stored)) << c.name;
    }
    TempAppDir dir;
    EXPECT_EQ(CFileUtil::GetNextSerial(1), 2);
    EXPECT_EQ(CFileUtil::GetNextSerial(1), 5);  // consecutive ids differ by 3
}

TEST(FileUtil, NextSerialNeverRepeatsWhenTheFileCannotBeWritten) {
    TempAppDir dir;
    paths::MakeDirs(dir.file("SmsIndex.dat"));  // a folder where the counter should be
    std::set<int> ids;
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(ids.insert(CFileUtil::GetNextSerial(1)).second);
    EXPECT_EQ(*ids.begin(), 2);
    // Removed behind its back, the counter does not start again within the run.
    TempAppDir other;
    EXPECT_EQ(CFileUtil::GetNextSerial(4), 2);
    ::unlink(other.file("SmsIndex.dat").c_str());
    EXPECT_EQ(CFileUtil::GetNextSerial(1), 8);
}

TEST(FileUtilThreads, NextSerialHandsOutUniqueIds) {
    TempAppDir dir;
    // Every round releases all threads at once, so their read-modify-writes meet.
    constexpr int kThreads = 16, kRounds = 150;
    std::barrier start(kThreads);
    std::vector<std::vector<int>> got(kThreads);
    std::vector<std::thread> threads;
    for (auto& g : got)
        threads.emplace_back([&g, &start] {
            for (int i = 0; i < kRounds; ++i) {
                start.arrive_and_wait();
                g.push_back(CFileUtil::GetNextSerial(1));
            }
        });
    for (auto& t : threads) t.join();
    std::set<int> all;
    for (const auto& g : got) all.insert(g.begin(), g.end());
    EXPECT_EQ(all.size(), std::size_t(kThreads * kRounds));
    EXPECT_EQ(*all.rbegin(), 2 + (kThreads * kRounds - 1) * 3);
}

TEST(FileUtil, ExtensionImageTypeAndFolderCleanup) {
    EXPECT_EQ(CFileUtil::GetFileExt("a.b\\c.JPG"), "JPG");
    EXPECT_EQ(CFileUtil::GetFileExt("noext"), "");
    EXPECT_EQ(CFileUtil::GetFileExt("dot."), "");
    struct Case {
        const char* ext;
        int type;
    };
    const Case types[] = {{"BMP", 1}, {"gif", 2}, {"Jpeg", 3}, {"jpg", 3}, {"png", 4}, {"ico", 5},
                          {"TIF", 6}, {"tiff", 6}, {"tga", 7}, {"pcx", 8}, {"wbmp", 9}, {"emf", 10},
                          {"wmf", 10}, {"jp2", 11}, {"j2k", 11}, {"jpc", 12}, {"j2c", 12}, {"pgx", 13},
                          {"ppm", 14}, {"pgm", 14}, {"pnm", 14}, {"ras", 15}, {"mid", 0}, {"", 0}};
    for (const auto& c : types) EXPECT_EQ(CFileUtil::GetImageType(c.ext), c.type) << c.ext;

    TempAppDir dir;
    paths::MakeDirs(dir.file("SendTemp/sub"));
    WriteFile(dir.file("SendTemp/a.txt"), "1");
    WriteFile(dir.file("SendTemp/图片.jpg"), "2");
    WriteFile(dir.file("SendTemp/sub/keep"), "3");
    EXPECT_EQ(CFileUtil::DeleteFolderFiles(dir.path() + "\\SendTemp"), 1);
    EXPECT_FALSE(paths::FileExists(dir.file("SendTemp/a.txt")));
    EXPECT_FALSE(paths::FileExists(dir.file("SendTemp/图片.jpg")));
    EXPECT_TRUE(paths::FileExists(dir.file("SendTemp/sub/keep")));
    EXPECT_EQ(CFileUtil::DeleteFolderFiles(dir.file("missing")), 1);
}

TEST(FileUtil, CheckNameRefusesTwelveCharactersWithOneMessage) {
    std::vector<std::string> shown;
    seam::ScopedStandardBox box([&](const std::string& t) { shown.push_back(t); });
    const std::string message = "输入框中不得包含下列字符：\r\n\r\n\\/:*?\"<>|',和空格";
    for (const char* bad : {"a\\b", "a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a'b", "a,b", "a b"}) {
        shown.clear();
        EXPECT_EQ(CFileUtil::CheckName(bad), 0) << bad;
        EXPECT_EQ(shown, std::vector<std::string>{message}) << bad;
    }
    shown.clear();
    EXPECT_EQ(CFileUtil::CheckName(""), 1);
    EXPECT_EQ(CFileUtil::CheckName("新分组_1"), 1);
    EXPECT_TRUE(shown.empty());
}
