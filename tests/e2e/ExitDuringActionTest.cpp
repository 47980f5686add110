// An exit asked while a long action of a page runs, through the main window's real exit paths
// (退出 clicked, the close picture, Escape, the close box, a termination signal): the question
// comes at once, the action ends at a row boundary or runs to its end, then the save and the
// closing message; the queue files and databases are read at the end, before any restart.
#include "compose/ImportDialogs.h"
#include "compose/PhraseFiles.h"
#include "compose/PhraseLibDlg.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AdoConnection.h"
#include "contacts/AutoReply.h"
#include "contacts/AutoReplyDialogs.h"
#include "contacts/LinkmanBook.h"
#include "contacts/LinkmanBookDlg.h"
#include "contacts/LinkmanIO.h"
#include "core/Globals.h"
#include "core/LongAction.h"
#include "core/MsgRecord.h"
#include "core/PageGlobals.h"
#include "core/RecordForward.h"
#include "core/SMSRecordDlg.h"
#include "core/SMSSendingListDlg.h"
#include "core/SMSServerDlg.h"
#include "core/SendingListDlg.h"
#include "core/WelComeDlg.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/RowStoreModel.h"
#include "platform/Seams.h"
#include "platform/TermSignals.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/FlatComboBox.h"
#include "uikit/ImageButton.h"
#include "uikit/SkinDialog.h"
#include "uikit/SortListCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <stdexcept>

namespace {

constexpr const char* kQuestion = "真的要退出吗？";
constexpr const char* kClosing = "系统数据已经保存完毕，现在可以安全退出彩信软件！\r\n\r\n谢谢使用！";
constexpr const char* kPump = "<pump>";
constexpr const char* kReturned = "<action returned>";

enum class Way { Click1067, Click1001, Escape, CloseBox, Signal };

MsgRecord Rec(int id, const std::string& number, const std::string& text) {
    MsgRecord r = msgrec::Empty();
    r.nId = id;
    msgrec::SetField(r.szType, "已发送短信");
    msgrec::SetField(r.szNumber, number);
    msgrec::SetField(r.szText, text);
    msgrec::SetField(r.szTime, "2026-12-01 10:00:00");
    return r;
}

std::vector<MsgRecord> ReadRecords(const std::string& path) {
    std::vector<MsgRecord> out;
    const std::string bytes = testsupport::ReadFile(path);
    for (std::size_t at = 0; at + sizeof(MsgRecord) <= bytes.size(); at += sizeof(MsgRecord))
        out.push_back(msgrec::FromBytes(bytes.data() + at));
    return out;
}

std::string Number(int i) { return std::to_string(13800000000LL + i); }

struct ExitDuringAction : ::testing::Test {
    testsupport::TempAppDir dir;
    std::vector<std::string> events;  // messages, pumps and the action's return, in order
    int answer = 1;                   // to the exit question
    std::function<void()> onQuestion;
    seam::ScopedMessageBox box{[this](const std::string& text, int type) {
        events.push_back(text);
        if (type == 1 && text == kQuestion && onQuestion) onQuestion();
        return type == 1 ? answer : 1;
    }};
    std::optional<std::string> chosenFile;
    seam::ScopedFileDialog files{[this](const seam::FileDialogRequest&) { return chosenFile; }};
    std::function<void(CSkinDialog&)> answerDialog;
    ScopedModalRun run{[this](CSkinDialog& d) {
        d.ShowForHook();
        if (answerDialog) answerDialog(d);
        else d.OnOK();
        return d.result();
    }};
    std::unique_ptr<CSMSServerDlg> dlg;
    int result = -1;

    ExitDuringAction() {
        for (const char* name : {"MMSP1.bmp", "MMSP1-a.bmp", "MMSP2.bmp", "Smsdb.mdb", "LinkmanBook.mdb"})
            QFile::copy(QString(SMS_APP_DIR) + "/" + name, QString::fromStdString(dir.file(name)));
        termsignals::QuitEventLoopsOnSignal();
        g_bStopThreads = 0;
        CSMSServerDlg::SetLoginExec([](CLoginDlg&) { return static_cast<int>(QDialog::Accepted); });
    }
    ~ExitDuringAction() override {
        CLongAction::SetPumpProbeForTest({});
        CSMSServerDlg::SetLoginExec({});
        CSMSServerDlg::SetLoadProbeForTest({});
        dlg.reset();
        g_dlgWelcome.DestroyWindow();
        g_bStopThreads = 0;
    }

    // The main window after its first tick's loads, without the worker threads (a queued row
    // stays where the action put it).
    void Open() {
        dlg = std::make_unique<CSMSServerDlg>();
        ASSERT_EQ(dlg->OnInitDialog(), 1);
        CSMSServerDlg::SetLoadProbeForTest([](int step) {
            if (step == 6) throw std::runtime_error("no threads in this test");
        });
        dlg->OnTimer(25);
        CSMSServerDlg::SetLoadProbeForTest({});
        g_pPhraseLibDlg->LoadPhraseTypes();
        // The book's connection, as its page's first tick makes it (unless it came already).
        if (g_pLinkmanBookDlg->m_arrColumns.empty()) g_pLinkmanBookDlg->OnTimer(1);
        ASSERT_EQ(worker::RunningThreads(), 0);
    }

    void Exit(Way way) {
        switch (way) {
        case Way::Click1067: QTest::mouseClick(dlg->Button(1067), Qt::LeftButton); break;
        case Way::Click1001: QTest::mouseClick(dlg->Button(1001), Qt::LeftButton); break;
        case Way::Escape:
            // Asked on the press, before the key is let go.
            QTest::keyPress(g_pSMSRecordDlg->List(), Qt::Key_Escape);
            EXPECT_NE(std::find(events.begin(), events.end(), kQuestion), events.end());
            QTest::keyRelease(g_pSMSRecordDlg->List(), Qt::Key_Escape);
            break;
        case Way::CloseBox: dlg->close(); break;
        case Way::Signal: ::raise(SIGTERM); break;
        }
    }

    // Runs the action from the main window's loop; at pump `at` a click on the home page's
    // button (held back) and then the exit. The loop's result in `result`.
    void RunWithExitAt(int at, Way way, std::function<void()> action) {
        const int pageBefore = g_nCurrentPage;
        CLongAction::SetPumpProbeForTest([=, this](int n) {
            events.push_back(kPump);
            if (n != at) return;
            QTest::mouseClick(dlg->Button(1012), Qt::LeftButton);  // the address book: not now
            Exit(way);
        });
        QTimer::singleShot(0, dlg.get(), [this, action] {
            action();
            events.push_back(kReturned);
        });
        Exec();
        CLongAction::SetPumpProbeForTest({});
        EXPECT_EQ(g_nCurrentPage, pageBefore);
    }

    // The main window's loop; a test that never gets its exit ends it after a while.
    void Exec() {
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, dlg.get(), [this] {
            ADD_FAILURE() << "the loop did not end";
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d != dlg.get() && d->isVisible()) d->done(0);
            dlg->done(QDialog::Accepted);
        });
        giveUp.start(30000);
        result = dlg->exec();
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> m;
        for (const std::string& e : events)
            if (e != kPump && e != kReturned) m.push_back(e);
        return m;
    }
    // The loop ended through the exit; the question first, the closing message last, after the
    // action returned and after its last pump.
    void ExpectAskedAndClosedAfterTheAction() {
        EXPECT_EQ(result, QDialog::Rejected);
        const std::vector<std::string> m = Messages();
        ASSERT_GE(m.size(), 2u);
        EXPECT_EQ(m.front(), kQuestion);
        EXPECT_EQ(std::count(m.begin(), m.end(), kQuestion), 1);
        EXPECT_EQ(m.back(), kClosing);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), kClosing);
        EXPECT_EQ(events[events.size() - 2], kReturned);
        EXPECT_EQ(worker::RunningThreads(), 0);
    }

    void ListRecords(int n) {
        std::vector<MsgRecord> recs;
        for (int i = 0; i < n; ++i) recs.push_back(Rec(i + 1, Number(i), "通知" + std::to_string(i)));
        std::string bytes(recs.size() * sizeof(MsgRecord), '\0');
        for (std::size_t i = 0; i < recs.size(); ++i) msgrec::ToBytes(recs[i], bytes.data() + i * sizeof(MsgRecord));
        testsupport::WriteFile(dir.file("SMSMsgSL.dat"), bytes);
        g_pSMSRecordDlg->OnSearchAgain();
        g_pSMSRecordDlg->List()->Model()->Sync();
        g_pSMSRecordDlg->List()->selectAll();
    }
    std::vector<MsgRecord> SavedSms() { return ReadRecords(dir.file("SMSMsgWS.dat")); }
};

std::set<std::string> NumbersOf(const std::vector<MsgRecord>& recs) {
    std::set<std::string> out;
    for (const MsgRecord& r : recs) out.insert(msgrec::GetField(r.szNumber));
    return out;
}

}  // namespace

TEST_F(ExitDuringAction, ResendStopsAtABatchAndTheSaveHoldsWhatItQueued) {
    Open();
    const int n = static_cast<int>(2 * recforward::kBatchRows) + 100;
    ListRecords(n);
    // A second press under the question and one while the exit waits do nothing.
    onQuestion = [this] { QTest::mouseClick(dlg->Button(1067), Qt::LeftButton); };
    // Pump 1 comes before the first row; pump k + 1 after writer call k.
    RunWithExitAt(2, Way::Click1067, [] {
        g_pSMSRecordDlg->OnResend();
        QTest::mouseClick(g_pMainDlg->Button(1067), Qt::LeftButton);
    });
    ExpectAskedAndClosedAfterTheAction();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, kClosing}));  // no claim of a whole resend
    const std::vector<MsgRecord> saved = SavedSms();
    ASSERT_EQ(saved.size(), recforward::kBatchRows);
    EXPECT_EQ(NumbersOf(saved).size(), recforward::kBatchRows);  // each once
    for (const std::string& number : NumbersOf(saved)) EXPECT_LT(std::stoll(number) - 13800000000LL, n) << number;
}

TEST_F(ExitDuringAction, ResendGoesOnWhenTheExitIsCancelled) {
    Open();
    const int n = static_cast<int>(recforward::kBatchRows) + 8;
    ListRecords(n);
    answer = 0;
    RunWithExitAt(2, Way::Escape, [this] {
        g_pSMSRecordDlg->OnResend();
        // Still running: the program is left by a later exit.
        answer = 1;
        dlg->OnCancel();
    });
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, recforward::kResendDoneText, kQuestion, kClosing}));
    EXPECT_EQ(SavedSms().size(), static_cast<std::size_t>(n));
}

TEST_F(ExitDuringAction, ForwardByEscapeStopsAtAWriterCall) {
    Open();
    ListRecords(1);
    std::vector<std::string> numbers;
    for (int i = 0; i < static_cast<int>(recforward::kBatchRows) + 30; ++i) numbers.push_back(Number(100 + i));
    // Pump 1 comes after the first writer call.
    RunWithExitAt(1, Way::Escape, [&] { g_pSMSRecordDlg->ForwardRecords(numbers); });
    ExpectAskedAndClosedAfterTheAction();
    const std::vector<MsgRecord> saved = SavedSms();
    ASSERT_EQ(saved.size(), recforward::kBatchRows);
    EXPECT_EQ(NumbersOf(saved), std::set<std::string>(numbers.begin(), numbers.begin() + recforward::kBatchRows));
}

TEST_F(ExitDuringAction, RecordExportByTheCloseBoxLeavesNoWorkbook) {
    Open();
    ListRecords(20);
    chosenFile = dir.file("out.xls");
    RunWithExitAt(4, Way::CloseBox, [] { g_pSMSRecordDlg->OnExportExcel(); });
    ExpectAskedAndClosedAfterTheAction();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, kClosing}));
    EXPECT_FALSE(paths::FileExists(dir.file("out.xls")));
}

TEST_F(ExitDuringAction, RecordExportRunToItsEndBeforeTheExit) {
    Open();
    ListRecords(5);
    chosenFile = dir.file("out.xls");
    // Pump 5 comes after the last row: the workbook is whole and said so, then the exit.
    RunWithExitAt(5, Way::Click1001, [] { g_pSMSRecordDlg->OnExportExcel(); });
    ExpectAskedAndClosedAfterTheAction();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, "Excel文件导出成功！", kClosing}));
    EXPECT_GT(paths::FileSize(dir.file("out.xls")), 0);
}

TEST_F(ExitDuringAction, ContactImportStopsAtABlockAndTheBookHoldsWholeBlocks) {
    Open();
    CLinkmanBookDlg* page = g_pLinkmanBookDlg;
    page->m_strPath = linkman::kRootPath;
    std::string text;
    const int total = 2 * static_cast<int>(linkman::kImportBlock) + 7;
    for (int i = 0; i < total; ++i) text += "导入" + std::to_string(i) + "\t" + Number(i) + "\r\n";
    testsupport::WriteFile(dir.file("contacts.txt"), codec::ToGbk(text));
    chosenFile = dir.file("contacts.txt");
    const std::vector<std::string> fields{"姓名", "手机号码"};
    const std::size_t before = CLinkmanBook(&page->m_conn).Contacts(linkman::kRootPath, fields).size();
    RunWithExitAt(1, Way::Click1001, [page] { page->OnImport(); });  // after the first block
    ExpectAskedAndClosedAfterTheAction();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, kClosing}));

    CAdoConnection conn;
    ASSERT_EQ(conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath + "\\LinkmanBook.mdb;"), 1);
    EXPECT_EQ(CLinkmanBook(&conn).Contacts(linkman::kRootPath, fields).size(), before + linkman::kImportBlock);
}

TEST_F(ExitDuringAction, ContactExportBySignalEndsWithoutQuestionOrWorkbook) {
    Open();
    CLinkmanBookDlg* page = g_pLinkmanBookDlg;
    page->m_strPath = linkman::kRootPath;
    std::string text;
    for (int i = 0; i < 40; ++i) text += "导出" + std::to_string(i) + "\t" + Number(i) + "\r\n";
    testsupport::WriteFile(dir.file("contacts.txt"), codec::ToGbk(text));
    chosenFile = dir.file("contacts.txt");
    page->OnImport();
    g_pSMSSendingListDlg->AddSMSItem(9, Number(9), "", "已排队", "", 0);
    chosenFile = dir.file("contacts.xls");
    RunWithExitAt(3, Way::Signal, [page] { page->OnExport(); });
    // A signal cannot wait for an answer: no question, no closing message; saved and ended.
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(events.back(), kReturned);
    EXPECT_FALSE(paths::FileExists(dir.file("contacts.xls")));
    ASSERT_EQ(SavedSms().size(), 1u);
    EXPECT_EQ(msgrec::GetField(SavedSms()[0].szNumber), Number(9));
}

TEST_F(ExitDuringAction, PhraseImportRunsToItsEndThenTheExit) {
    Open();
    CPhraseLibDlg* page = g_pPhraseLibDlg;
    ASSERT_TRUE(phrasefiles::WritePhrases(phrasefiles::TypeFile("问候"), {"旧"}));
    page->LoadPhraseTypes();
    page->m_tree->setCurrentItem(page->RootItem()->child(0));
    ASSERT_EQ(page->m_strCurType, "问候");
    testsupport::WriteFile(dir.file("p.txt"), codec::ToGbk("一\r\n二\r\n三\r\n"));
    chosenFile = dir.file("p.txt");
    RunWithExitAt(1, Way::Click1067, [page] { page->OnImportPhrases(); });
    ExpectAskedAndClosedAfterTheAction();
    std::vector<std::string> phrases;
    ASSERT_TRUE(phrasefiles::ReadPhrases(phrasefiles::TypeFile("问候"), phrases));
    EXPECT_EQ(phrases, (std::vector<std::string>{"旧", "一", "二", "三"}));
}

struct SendListExit : ExitDuringAction {
    void SetUpImport(int rows) {
        Open();
        std::string csv = "号码,内容\r\n";
        for (int i = 0; i < rows; ++i) csv += Number(i) + ",内容" + std::to_string(i) + "\r\n";
        testsupport::WriteFile(dir.file("list.csv"), codec::ToGbk(csv));
        chosenFile = dir.file("list.csv");
        answerDialog = [](CSkinDialog& d) {
            if (d.TemplateId() == CImportFieldMapDlg::IDD) {
                auto& m = static_cast<CImportFieldMapDlg&>(d);
                m.m_comboNumber->setCurrentIndex(m.m_comboNumber->findText("号码"));
                m.m_comboContent->setCurrentIndex(m.m_comboContent->findText("内容"));
            }
            d.OnOK();
        };
    }
};

TEST_F(SendListExit, AskedWhileTheListIsReadQueuesNothingAndSaysNothing) {
    SetUpImport(30);
    RunWithExitAt(1, Way::Click1067, [] { g_pSendSMSDlg->OnBtnSendExcelFile(); });
    ExpectAskedAndClosedAfterTheAction();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, kClosing}));
    EXPECT_TRUE(SavedSms().empty());
}

TEST_F(SendListExit, AskedOnceTheColumnsAreChosenQueuesTheWholeList) {
    SetUpImport(30);
    bool mapped = false;
    auto inner = answerDialog;
    answerDialog = [&](CSkinDialog& d) {
        inner(d);
        mapped = mapped || d.TemplateId() == CImportFieldMapDlg::IDD;
    };
    int pumpsAfterMap = 0;
    CLongAction::SetPumpProbeForTest([&](int) {
        events.push_back(kPump);
        if (mapped && ++pumpsAfterMap == 1) Exit(Way::CloseBox);
    });
    QTimer::singleShot(0, dlg.get(), [this] {
        g_pSendSMSDlg->OnBtnSendExcelFile();
        events.push_back(kReturned);
    });
    Exec();
    ASSERT_TRUE(mapped);
    ExpectAskedAndClosedAfterTheAction();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kQuestion, "已经将数据记录加入到了短信发送列表！", kClosing}));
    EXPECT_EQ(SavedSms().size(), 30u);
}

TEST_F(ExitDuringAction, ReplyLogExportInItsDialogBySignal) {
    Open();
    std::string log;
    for (int i = 0; i < 600; ++i) {
        AutoReplyLogRecord r{};
        msgrec::SetField(r.status, "已回复");
        msgrec::SetField(r.time, "2026-12-10 08:30:05");
        msgrec::SetField(r.mobile, Number(i));
        msgrec::SetField(r.query, "q" + std::to_string(i));
        msgrec::SetField(r.reply, "r");
        log.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    testsupport::WriteFile(dir.file("RL.dat"), log);
    chosenFile = dir.file("log.xls");
    g_pSMSSendingListDlg->AddSMSItem(9, Number(9), "", "已排队", "", 0);
    // The viewer runs modally over the main window; the signal comes after the first block.
    RunWithExitAt(1, Way::Signal, [this] {
        CAutoReplyRecordDlg viewer(dlg.get());
        QTimer::singleShot(0, &viewer, [&viewer] { viewer.OnExport(); });
        viewer.exec();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(paths::FileExists(dir.file("log.xls")));
    EXPECT_EQ(SavedSms().size(), 1u);
}
