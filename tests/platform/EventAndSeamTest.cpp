#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/RunLog.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>

using testsupport::ReadFile;
using testsupport::TempAppDir;
using testsupport::WaitUntil;

TEST(EventLockThreads, StartsTakenAndTwoReleasesLetOneTakerThrough) {
    TempAppDir dir;
    AutoResetEvent ev("g_lockTest");
    EXPECT_FALSE(CEventLock::Lock(ev, 1, 0));  // created non-signalled
    CEventLock::Lock(ev, 0, 5000);
    CEventLock::Lock(ev, 2, 5000);  // any mode but 1 releases
    EXPECT_TRUE(CEventLock::Lock(ev, 1, 0));
    EXPECT_FALSE(CEventLock::Lock(ev, 1, 0));
    // The timed-out takes were logged with the event's name.
    const std::string log = ReadFile(dir.file("RunLog.txt"));
    EXPECT_NE(log.find("g_lockTest"), std::string::npos);
}

TEST(EventLockThreads, ReleaseFromAnotherThreadWakesTheTaker) {
    TempAppDir dir;
    AutoResetEvent ev("e");
    std::atomic<bool> got{false};
    std::thread taker([&] { got = CEventLock::Lock(ev, 1, 60000); });
    std::thread releaser([&] { CEventLock::Lock(ev, 0, 5000); });
    releaser.join();
    taker.join();
    EXPECT_TRUE(got);
    // A timed-out take still resets the event and lets the caller go on.
    ev.Set();
    std::thread late([&] { ev.Wait(0); });
    late.join();
    EXPECT_FALSE(ev.Wait(0));
}

TEST(RunLogThreads, LinesAreWholeTimeStampedAndGbk) {
    TempAppDir dir;
    clk::SetFixed(2008, 6, 11, 9, 5, 0);
    runlog::Append("ModemMsgThread Error");
    EXPECT_EQ(ReadFile(dir.file("RunLog.txt")), "2008-06-11 09:05:00  ModemMsgThread Error\r\n");

    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i) runlog::Append("线程");
        });
    for (auto& t : threads) t.join();
    clk::Reset();
    const std::string log = ReadFile(dir.file("RunLog.txt"));
    const std::string line = "2008-06-11 09:05:00  " + codec::ToGbk("线程") + "\r\n";
    std::size_t count = 0;
    for (std::size_t p = log.find(line); p != std::string::npos; p = log.find(line, p + 1)) ++count;
    EXPECT_EQ(count, 200u);
    EXPECT_EQ(log.size(), 43 + 200 * line.size());
}

TEST(MessageSeamThreads, OffUiThreadCallIsQueuedAndReturnsZero) {
    std::atomic<int> shown{0};
    std::atomic<bool> onUiThread{false};
    std::string text;
    seam::ScopedMessageBox box([&](const std::string& t, int type) {
        text = t + "/" + std::to_string(type);
        onUiThread = seam::IsUiThread();
        ++shown;
        return 1;
    });
    EXPECT_EQ(seam::Message("here", 1), 1);  // on the UI thread the answer comes back
    EXPECT_EQ(shown, 1);

    int offResult = -1;
    std::thread worker([&] { offResult = seam::Message("from worker", 1); });
    worker.join();  // the worker did not wait for the box
    EXPECT_EQ(offResult, 0);
    EXPECT_EQ(shown, 1);
    ASSERT_TRUE(WaitUntil([&] { return shown == 2; }));
    EXPECT_TRUE(onUiThread);
    EXPECT_EQ(text, "from worker/1");
}

TEST(MessageSeam, FileDialogSeamAnswers) {
    EXPECT_FALSE(seam::AskFile({}).has_value());
    seam::ScopedFileDialog fd([](const seam::FileDialogRequest& r) -> std::optional<std::string> {
        return r.save ? std::optional<std::string>("/x." + r.defaultExt) : std::nullopt;
    });
    seam::FileDialogRequest req;
    req.save = true;
    req.defaultExt = "XLS";
    EXPECT_EQ(seam::AskFile(req), std::optional<std::string>("/x.XLS"));
}
