// The pages under load: the ten sending threads of their kind (SMS 0-9, MMS 10-19), a writer
// thread and the page's handlers on the UI thread, all at once.
#include "core/Globals.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "core/WorkerEngine.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include "uikit/SortListCtrl.h"
#include <map>
#include <mutex>
#include <random>
#include <thread>

using namespace smsbatch;

class PendingPageThreads : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(BothKinds, PendingPageThreads, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Mms" : "Sms"; });

TEST_P(PendingPageThreads, SendersWriterAndHandlersTogether) {
    const bool mms = GetParam();
    testsupport::TempAppDir dir;
    seam::ScopedMessageBox box([](const std::string&, int) { return 1; });
    const worker::Services oldServices = worker::GetServices();
    std::mutex m;
    std::map<std::string, int> sent;  // number -> times sent
    std::map<int, int> logged;        // id -> records
    worker::GetServices() = {};
    auto send = [&](const std::string& numbers) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the request's time on the wire
        std::lock_guard<std::mutex> l(m);
        std::size_t start = 0;
        for (;;) {
            const auto comma = numbers.find(',', start);
            ++sent[numbers.substr(start, comma - start)];
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        return 1;
    };
    auto record = [&](const MsgRecord& r) {
        std::lock_guard<std::mutex> l(m);
        ++logged[r.nId];
    };
    if (mms) {
        worker::GetServices().SendMms = [&](const std::string& numbers, const std::string&, const std::string&) {
            return send(numbers);
        };
        worker::GetServices().ResourceUrl = [] { return std::string("http://127.0.0.1/r/"); };
        worker::GetServices().AddMmsRecord = record;
    } else {
        worker::GetServices().SendSms = [&](const std::string& numbers, const std::string&) { return send(numbers); };
        worker::GetServices().AddSmsRecord = record;
    }

    g_bStopThreads = 0;
    std::unique_ptr<CPendingPage> page(mms ? static_cast<CPendingPage*>(new CSendingListDlg)
                                           : static_cast<CPendingPage*>(new CSMSSendingListDlg));
    page->List(2).Clear();
    page->List(3).Clear();
    worker::SetPassSleepsForTest(0, 1);
    StartMsgThreads(0);

    constexpr int kRows = 2000;
    std::atomic<int> written{0};
    std::thread writer([&] {
        for (int i = 0; i < kRows; ++i) {
            const std::string number = std::to_string(13800000000LL + i);
            const char* text = i % 9 == 0 ? "B" : "A";
            if (mms) page->AddMMSItem(i + 1, number, i % 7 == 0 ? "b.jpg" : "a.jpg", text, "p", "", i % 4 == 0 ? 1 : 0);
            else page->AddSMSItem(i + 1, number, "", text, "", i % 4 == 0 ? 1 : 0);
            written = i + 1;
        }
    });

    uikit::CSortListCtrl* view = page->View(1);
    rows::RowStoreModel* model = view->Model();
    std::mt19937 rng(7);
    int heldDeletes = 0;
    const bool done = testsupport::WaitUntil([&] {
        model->Sync();
        const int rowsShown = model->rowCount();
        switch (rng() % 3) {
        case 0:
            if (rowsShown > 5) {
                view->clearSelection();
                for (int r : {3, 5}) view->SetItemSelected(r, true);
                page->OnPrioritySend();
            }
            break;
        case 1:
            view->SortColumn(static_cast<int>(rng() % 2) ? kNumber : kId);
            break;
        default: {
            // Delete a few rows a sending thread holds: they must still be logged.
            view->clearSelection();
            int picked = 0;
            for (int r = 0; r < rowsShown && picked < 3; ++r) {
                if (model->index(r, kState).data().toString() == kHeld) {
                    view->SetItemSelected(r, true);
                    ++picked;
                }
            }
            if (picked) {
                page->OnDeleteSend();
                ++heldDeletes;
            }
            break;
        }
        }
        std::lock_guard<std::mutex> l(m);
        return written == kRows && logged.size() == static_cast<std::size_t>(kRows);
    }, 60000);
    writer.join();
    EXPECT_TRUE(worker::StopMsgThreads(10000));
    worker::SetPassSleepsForTest(worker::kFirstSleepMs, worker::kSecondSleepMs);
    g_bStopThreads = 0;
    ASSERT_TRUE(done);

    EXPECT_GT(heldDeletes, 0);  // the handlers did meet held rows
    EXPECT_EQ(page->ImmediateList().Count(), 0u);
    EXPECT_EQ(page->Batch().ParkedCount(), 0u);
    EXPECT_EQ(sent.size(), static_cast<std::size_t>(kRows));
    for (const auto& [number, times] : sent) EXPECT_EQ(times, 1) << number;
    for (const auto& [id, times] : logged) EXPECT_EQ(times, 1) << id;
    page.reset();
    worker::GetServices() = oldServices;
}
