#include "platform/Process.h"
#include "platform/SingleInstance.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WaitUntil;
using testsupport::WriteFile;

namespace {
// A program that writes its arguments, one a line, to the file named by its first argument.
std::string ArgsRecorder(const TempAppDir& dir) {
    const std::string path = dir.file("rec");
    WriteFile(path, "#!/bin/sh\nout=$1\nshift\nprintf '%s\\n' \"$@\" > \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\nexit 7\n");
    ::chmod(path.c_str(), 0755);
    return path;
}
}  // namespace

TEST(Process, RunPassesArgumentsVerbatimAndWaits) {
    TempAppDir dir;
    const std::string out = dir.file("out");
    EXPECT_EQ(proc::Run(ArgsRecorder(dir), {out, "a b", "\"q\"", "$HOME", "中文"}), 7);
    EXPECT_EQ(ReadFile(out), "a b\n\"q\"\n$HOME\n中文\n");  // no shell saw them
    EXPECT_EQ(proc::Run(dir.file("missing"), {}), -1);
}

TEST(Process, StartReturnsAtOnceAndReportsAMissingProgram) {
    TempAppDir dir;
    const std::string out = dir.file("out");
    EXPECT_TRUE(proc::Start(ArgsRecorder(dir), {out, "x"}));
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(out) == "x\n"; }));
    EXPECT_FALSE(proc::Start(dir.file("missing"), {}));
}

TEST(SingleInstance, LaterInstanceAsksTheFirstToShowAndEnds) {
    TempAppDir dir;
    const QString name = QString::fromStdString(dir.file("DRAVO-MMS-API"));
    SingleInstance first(name);
    ASSERT_TRUE(first.Acquire());
    int shown = 0;
    first.SetShowHandler([&] { ++shown; });
    SingleInstance second(name);
    EXPECT_FALSE(second.Acquire(true));
    EXPECT_FALSE(second.IsPrimary());
    EXPECT_TRUE(WaitUntil([&] { return shown == 1; }));

    SingleInstance quiet(name);
    EXPECT_FALSE(quiet.Acquire(false));  // a repair run only looks
    SingleInstance third(name);
    EXPECT_FALSE(third.Acquire(true));
    EXPECT_TRUE(WaitUntil([&] { return shown >= 2; }));
    EXPECT_EQ(shown, 2);  // the quiet one asked nothing

    first.Release();
    EXPECT_TRUE(second.Acquire(true));  // the name is free again
    EXPECT_TRUE(second.IsPrimary());
}

TEST(SingleInstance, NameLeftByACrashedInstanceDoesNotBlock) {
    TempAppDir dir;
    const std::string path = dir.file("DRAVO-MMS-API");
    // A socket file nobody listens on and an unlocked lock file: what a crash leaves.
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(s);
    WriteFile(path + ".lock", "");

    SingleInstance inst(QString::fromStdString(path));
    EXPECT_TRUE(inst.Acquire());
    int shown = 0;
    inst.SetShowHandler([&] { ++shown; });
    SingleInstance later(QString::fromStdString(path));
    EXPECT_FALSE(later.Acquire());
    EXPECT_TRUE(WaitUntil([&] { return shown == 1; }));  // the stale name was replaced
}
