#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <thread>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WriteFile;

namespace {
QStringList Entries(const std::string& dir) {
    return QDir(QString::fromStdString(dir)).entryList(QDir::Files, QDir::Name);
}
}  // namespace

TEST(AppPath, StoredPathsBecomeFileSystemPaths) {
    TempAppDir dir;
    const std::string app = dir.path();
    struct Case {
        std::string stored, want;
    };
    const Case cases[] = {
        {"G\\N", "G/N"},
        {app + "\\SMSText\\12.txt", app + "/SMSText/12.txt"},
        {"D:\\彩信记录备份", app + "/D/彩信记录备份"},
        {"d:\\testurl.txt", app + "/D/testurl.txt"},
        {"C:", app + "/C"},
        {"/already/fs", "/already/fs"},
        {"1:\\x", "1:/x"},  // not a drive letter
    };
    for (const auto& c : cases) EXPECT_EQ(paths::ToFsPath(c.stored), c.want) << c.stored;
    EXPECT_EQ(paths::AppFile("SMSText\\3.txt"), app + "/SMSText/3.txt");
    EXPECT_EQ(paths::AppFile(""), app);
    EXPECT_EQ(paths::FileSize(app + "/none"), -1);
    EXPECT_TRUE(paths::MakeDirs(app + "/a/b"));
    EXPECT_TRUE(paths::IsDirectory(app + "/a/b"));
    EXPECT_EQ(paths::FileSize(app + "/a"), -1);  // a folder is no file
}

TEST(AtomicFile, RewriteReplacesWholeAndLeavesNoTemporaryFile) {
    TempAppDir dir;
    const std::string f = dir.file("q.dat");
    WriteFile(f, "old content");
    ::chmod(f.c_str(), 0600);
    ASSERT_TRUE(files::WriteFileAtomic(f, std::string("new\0x", 5)));
    EXPECT_EQ(ReadFile(f), std::string("new\0x", 5));
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // an existing file keeps its permissions
    EXPECT_EQ(Entries(dir.path()), QStringList{"q.dat"});

    {  // a writer dropped without Commit leaves the target as it was
        files::AtomicFileWriter w(f);
        ASSERT_TRUE(w.Write("partial"));
    }
    EXPECT_EQ(ReadFile(f), std::string("new\0x", 5));
    EXPECT_EQ(Entries(dir.path()), QStringList{"q.dat"});

    EXPECT_FALSE(files::WriteFileAtomic(dir.file("no/such/dir/f"), "x"));
    std::string out = "stale";
    EXPECT_FALSE(files::ReadWholeFile(dir.file("missing"), out));
    EXPECT_TRUE(out.empty());
}

std::vector<std::string> g_commitSteps;

TEST(AtomicFile, CommitFlushesTheWholeContentBeforeTheRename) {
    TempAppDir dir;
    const std::string f = dir.file("q.dat");
    WriteFile(f, "old");
    files::SetCommitObserver([](files::CommitStep step, const std::string& target) {
        // What stands on disk at each step: the target, and the temporary beside it.
        std::string seen = step == files::CommitStep::Synced ? "synced:" : "renamed:";
        seen += ReadFile(target);
        const QStringList temps = QDir(QFileInfo(QString::fromStdString(target)).path())
                                      .entryList({"q.dat.tmp*"}, QDir::Files);
        for (const QString& t : temps)
            seen += "|" + ReadFile(QFileInfo(QString::fromStdString(target)).path().toStdString() + "/" + t.toStdString());
        g_commitSteps.push_back(seen);
    });
    const std::string big(3 << 20, 'n');  // past the writer's buffer
    const bool ok = files::WriteFileAtomic(f, big);
    files::SetCommitObserver(nullptr);
    ASSERT_TRUE(ok);
    ASSERT_EQ(g_commitSteps.size(), 2u);
    EXPECT_TRUE(g_commitSteps[0] == "synced:old|" + big);
    EXPECT_TRUE(g_commitSteps[1] == "renamed:" + big);
}

TEST(AtomicFile, StaleTemporariesOfEndedWritersAreRemoved) {
    TempAppDir dir;
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string d = std::to_string(dead), me = std::to_string(::getpid()),
                      parent = std::to_string(::getppid());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.file("MMSSink"))));
    const std::vector<std::pair<std::string, bool>> files = {
        {"SMSMsgWS.dat.tmp" + d + "-0", false},      // its writer ended
        {"MMSSink/a.qmx.tmp" + d + "-12", false},    // in a subfolder too
        {"MsgTS.dat.tmp" + me + "-1", true},         // this process writes it now
        {"MsgCS.dat.tmp" + parent + "-2", true},     // a running writer
        {"notes.tmp", true}, {"x.dat.tmp" + d, true}, {"x.dat.tmp" + d + "-", true},
        {"x.dat.tmpab-1", true}, {"SMSMsgWS.dat", true},
    };
    for (const auto& [name, kept] : files) WriteFile(dir.file(name), "x");
    EXPECT_EQ(files::RemoveStaleTemps(dir.path()), 2u);
    for (const auto& [name, kept] : files)
        EXPECT_EQ(QFile::exists(QString::fromStdString(dir.file(name))), kept) << name;
}

TEST(AtomicFile, AppendCutsTornTailAndKeepsItAside) {
    TempAppDir dir;
    const std::string f = dir.file("log.dat");
    WriteFile(f, "AAAABBBBcc");  // two 4-byte records and a torn tail
    ASSERT_TRUE(files::AppendRecords(f, 4, "DDDDEEEE", 2));
    EXPECT_EQ(ReadFile(f), "AAAABBBBDDDDEEEE");
    EXPECT_EQ(ReadFile(f + ".bad"), "cc");

    WriteFile(f, "AAAAx");
    ASSERT_TRUE(files::RepairTornTail(f, 4));
    EXPECT_EQ(ReadFile(f), "AAAA");
    EXPECT_EQ(ReadFile(f + ".bad"), "x");  // the older copy is replaced

    ASSERT_TRUE(files::AppendRecords(dir.file("fresh.dat"), 4, "ZZZZ", 1));
    EXPECT_EQ(ReadFile(dir.file("fresh.dat")), "ZZZZ");
    EXPECT_FALSE(files::RepairTornTail(dir.file("missing.dat"), 4));
}

TEST(AtomicFileThreads, ConcurrentAppendsStayWholeRecords) {
    TempAppDir dir;
    const std::string f = dir.file("log.dat");
    constexpr std::size_t kRec = 1592;
    constexpr int kPerThread = 50;
    std::vector<std::thread> threads;
    for (char t = 'a'; t < 'e'; ++t)
        threads.emplace_back([&, t] {
            const std::string rec(kRec, t);
            for (int i = 0; i < kPerThread; ++i) files::AppendRecords(f, kRec, rec.data(), 1);
        });
    for (auto& t : threads) t.join();
    const std::string data = ReadFile(f);
    ASSERT_EQ(data.size(), 4 * kPerThread * kRec);
    for (std::size_t off = 0; off < data.size(); off += kRec)
        ASSERT_EQ(data.compare(off, kRec, std::string(kRec, data[off])), 0) << off;
    EXPECT_FALSE(paths::FileExists(f + ".bad"));
}

TEST(Clock, FixedClockAdvancesAcrossCalendarEdges) {
    struct Case {
        int y, mo, d, h, mi, s, advance;
        int wy, wmo, wd, wh, wmi, ws, wdow;
    };
    const Case cases[] = {
        {2008, 6, 11, 9, 5, 0, 0, 2008, 6, 11, 9, 5, 0, 3},
        {2008, 12, 31, 23, 59, 59, 1, 2009, 1, 1, 0, 0, 0, 4},
        {2008, 2, 28, 23, 0, 0, 3600, 2008, 2, 29, 0, 0, 0, 5},
        {2100, 2, 28, 12, 0, 0, 86400, 2100, 3, 1, 12, 0, 0, 1},
        {2000, 3, 1, 0, 0, 0, -1, 2000, 2, 29, 23, 59, 59, 2},
    };
    for (const auto& c : cases) {
        clk::SetFixed(c.y, c.mo, c.d, c.h, c.mi, c.s);
        clk::Advance(c.advance);
        const clk::LocalTime t = clk::Now();
        EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second, t.dayOfWeek}),
                  (std::vector<int>{c.wy, c.wmo, c.wd, c.wh, c.wmi, c.ws, c.wdow}))
            << c.y << "-" << c.mo << "-" << c.d;
    }
    EXPECT_TRUE(clk::IsFixed());
    clk::Reset();
    EXPECT_FALSE(clk::IsFixed());
    EXPECT_GE(clk::Now().year, 2024);
    EXPECT_EQ(clk::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(clk::DaysInMonth(2000, 2), 29);
    EXPECT_EQ(clk::DaysInMonth(2023, 13), 0);
}
