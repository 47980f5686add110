// The SMS records page: views, searches and the advanced query, the record view, reply, delete
// and clear over a log in a temporary program folder.
#include "RecordPageSupport.h"
#include "support/MenuTestSupport.h"

#include "compose/RecipientList.h"
#include "compose/SendMMSDlg.h"
#include "compose/SendSMSDlg.h"
#include "contacts/ReplyTypeDlg.h"
#include "core/AdvancedQueryDlg.h"
#include "core/LongSms.h"
#include "core/RecordQuery.h"
#include "core/SMSTextDlg.h"
#include "platform/AppPath.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"

#include <gtest/gtest.h>
#include <QLabel>

#include <QDateEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <set>

using namespace recordtest;

namespace {

std::vector<MsgRecord> Numbered(int n) {
    std::vector<MsgRecord> recs;
    const char* statuses[4] = {"已发送短信", "接收短信", "发送失败短信", "已送达短信"};
    for (int i = 1; i <= n; ++i) recs.push_back(Rec(i, statuses[i % 4], "1390000" + std::to_string(1000 + i)));
    return recs;
}

struct RecordPageTest : ::testing::Test, PageFixture {};

TEST_F(RecordPageTest, LatestRecordsSearchAgainAndViews) {
    WriteLog(Numbered(150));
    page->OnShowRecent();
    ASSERT_EQ(Rows(), 100);
    EXPECT_EQ(Cell(0, 9), "150");
    EXPECT_EQ(Cell(99, 9), "51");
    EXPECT_EQ(CountLabel(), "列表中显示信息100条。");
    EXPECT_EQ(list()->Model()->data(list()->Model()->index(0, 0), rows::RowStoreModel::IconRole).toInt(), 3);

    page->OnSearchAgain();  // view 1
    EXPECT_EQ(Rows(), 150);
    EXPECT_EQ(Ids().front(), 150);
    EXPECT_EQ(Ids().back(), 1);
    list()->SortColumn(9);  // a header click: ascending from the top
    EXPECT_EQ(Ids().front(), 1);
    list()->SortColumn(9);
    EXPECT_EQ(Ids().front(), 150);

    page->OnShowAll();  // the current view: the list stays
    EXPECT_EQ(Rows(), 150);
    page->OnShowReceived();  // another view empties it
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(CountLabel(), "列表中显示信息0条。");
    page->OnShowRecent();  // every status, whatever the view
    EXPECT_EQ(Rows(), 100);
    page->OnSearchAgain();  // view 3: the received ones
    EXPECT_EQ(Rows(), 38);

    std::filesystem::remove(log().FilePath());
    page->SearchRecords(0, 1);  // a missing log changes nothing
    EXPECT_EQ(Rows(), 38);
    EXPECT_EQ(CountLabel(), "列表中显示信息38条。");
}

// One log of every status and of the patterns the query looks for.
std::vector<MsgRecord> EveryStatus() {
    const char* statuses[9] = {"已发送短信", "已送达短信", "接收短信",     "发送失败短信", "已发送彩信",
                               "已送达彩信", "被拒收彩信", "接收彩信",     "发送失败彩信"};
    std::vector<MsgRecord> recs;
    for (int i = 0; i < 9; ++i) recs.push_back(Rec(i + 1, statuses[i], "13800000000", "x", "2008-05-01 10:00:00"));
    recs.push_back(Rec(10, "接收短信", "13912345678", "你好中文", "2008-05-01 23:59:59", "张三丰"));
    recs.push_back(Rec(11, "已发送短信", "13800000000", "x", "2008-05-02 00:00:00"));
    recs.push_back(Rec(12, "已发送短信", "13800000000", "x", "2008-04-30 23:59:59"));
    recs.push_back(Rec(13, "未知状态", "13800000000", "x", "2008-05-01 10:00:00"));  // never listed
    return recs;
}

TEST_F(RecordPageTest, FiltersOfTheViewsAndTheQuery) {
    WriteLog(EveryStatus());
    auto query = [](int code, std::string name = "", std::string number = "", std::string text = "") {
        recpage::Query q;
        q.mode = 3;
        q.code = code;
        q.name = name;
        q.number = number;
        q.text = text;
        q.firstDay = q.lastDay = "2008-05-01";
        return q;
    };
    recpage::Query view2, view3;
    view2.mode = 1;
    view3.mode = 2;
    struct Case {
        const char* what;
        recpage::Query q;
        std::vector<int> ids;
    } cases[] = {
        {"view 2", view2, {1, 2, 4, 5, 6, 7, 9, 11, 12}},
        {"view 3", view3, {3, 8, 10}},
        {"<全部信息> on 1 May", query(0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"<发送信息>", query(1), {1, 5}},
        {"<接收信息>", query(5), {3, 8, 10}},
        {"<全部短信>", query(16), {1, 2, 3, 4, 10}},
        {"接收短信", query(21), {3, 10}},
        {"发送失败彩信 (34: kind 32, class 2)", query(34), {9}},
        {"name", query(0, "三"), {10}},
        {"number", query(0, "", "1234"), {10}},
        {"text", query(0, "", "", "中文"), {10}},
        {"text straddling two characters", query(0, "", "", "形"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // One reader, and slices of two records read side by side, list the same rows in order.
        for (std::size_t slice : {std::size_t{65536}, std::size_t{2}}) {
            const recpage::SearchResult res = recpage::Search(log(), c.q, true, slice);
            ASSERT_TRUE(res.found);
            std::vector<int> ids;
            for (const rows::PackedRows& b : res.blocks)
                for (std::size_t i = 0; i < b.Count(); ++i) {
                    ids.push_back(std::stoi(std::string(rows::PackedCell(b.Cells(i), 9))));
                    EXPECT_EQ(b.Data(i), ids.back() - 1);  // its index in the log
                }
            EXPECT_EQ(ids, c.ids) << slice;
        }
    }
    // "<全部彩信>" on a log of SMS only.
    std::vector<MsgRecord> sms = EveryStatus();
    sms.erase(sms.begin() + 4, sms.begin() + 9);
    WriteLog(sms);
    EXPECT_EQ(recpage::Search(log(), query(32), true).RowCount(), 0u);
}

TEST_F(RecordPageTest, QueryDialogDefaultsCodesLimitsAndCancel) {
    clk::SetFixed(2008, 5, 1, 12, 0, 0);
    struct ClockBack {
        ~ClockBack() { clk::Reset(); }
    } clockBack;
    {
        CAdvancedQueryDlg dlg;
        dlg.ShowForHook();
        EXPECT_EQ(dlg.windowTitle(), "高级查询设置");
        dlg.OnOK();
        EXPECT_EQ(dlg.m_nQueryType, 0);
        EXPECT_TRUE(dlg.m_strQueryName.empty() && dlg.m_strQueryNumber.empty() && dlg.m_strQueryText.empty());
        EXPECT_EQ(recpage::DayText(dlg.m_timeFrom.year, dlg.m_timeFrom.month, dlg.m_timeFrom.day), "2008-05-01");
        EXPECT_EQ(recpage::DayText(dlg.m_timeTo.year, dlg.m_timeTo.month, dlg.m_timeTo.day), "2008-05-01");
    }
    {
        CAdvancedQueryDlg dlg;
        dlg.ShowForHook();
        const std::vector<int> codes = {0, 16, 32, 1, 5, 17, 19, 18, 21, 33, 35, 36, 34, 37};
        ASSERT_EQ(dlg.m_comboType->count(), static_cast<int>(codes.size()));
        for (int i = 0; i < dlg.m_comboType->count(); ++i) {
            dlg.m_comboType->setCurrentIndex(i);
            dlg.OnOK();
            EXPECT_EQ(dlg.m_nQueryType, codes[i]) << i;
        }
        EXPECT_EQ(CAdvancedQueryDlg::QueryTypeOf("其他"), 0);
        // The limits count GBK bytes: 30, 20 and 60.
        struct Limit {
            CSkinEdit* edit;
            std::size_t bytes;
        } limits[] = {{dlg.m_editName, 30}, {dlg.m_editNumber, 20}, {dlg.m_editText, 60}};
        for (const Limit& l : limits) {
            QTest::keyClicks(l.edit, QString(70, 'a'));
            EXPECT_EQ(static_cast<std::size_t>(l.edit->text().size()), l.bytes);
            l.edit->clear();
            l.edit->insert(QString(40, QChar(0x4E2D)));  // 中, as a paste
            EXPECT_EQ(codec::GbkLength(codec::FromQ(l.edit->text())), l.bytes);
        }
    }
    // Through the page: the defaults list today's records; Cancel leaves the list as it was.
    WriteLog(EveryStatus());
    page->OnShowQuery();
    int runs = 0;
    {
        ScopedModalRun ok([&](CSkinDialog& d) {
            ++runs;
            d.ShowForHook();
            d.OnOK();
            return d.result();
        });
        page->OnSearchAgain();
    }
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(Rows(), 10);
    {
        ScopedModalRun cancel([](CSkinDialog&) { return static_cast<int>(IDCANCEL); });
        page->SearchRecords(3, 1);
    }
    EXPECT_EQ(Rows(), 10);
}

TEST_F(RecordPageTest, ViewContent) {
    std::string whole;
    for (int i = 0; i < 30; ++i) whole += "长短信内容";
    const std::string queued = longsms::QueuedText(7, whole);  // writes the side file
    ASSERT_NE(queued, whole);
    WriteLog({Rec(7, "已发送短信", "13800000001", queued), Rec(7, "接收短信", "13800000002", queued),
              Rec(8, "已发送短信", "13800000003", "前<<#<7>#>后")});
    page->OnSearchAgain();
    // Rows top down: the tagged text, the received record, the sent long SMS.
    const std::string expect[3] = {"前<<#<7>#>后", queued, whole};
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        std::string shown;
        bool readOnly = false;
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            auto* text = dynamic_cast<CSMSTextDlg*>(&d);
            if (text) {
                shown = codec::FromQ(text->Edit()->toPlainText());
                readOnly = text->Edit()->isReadOnly();
            }
            return static_cast<int>(IDOK);
        });
        Select({row});
        page->OnViewContent();
        EXPECT_EQ(shown, expect[row]);
        EXPECT_TRUE(readOnly);
    }
    // Without a selection each action says so.
    list()->clearSelection();
    messages.clear();
    page->OnViewContent();
    page->OnReply();
    page->OnDeleteRecords();
    page->OnViewReceivedResource();
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "请先选择要查看资源的记录！",
                            "请先选择要回复的信息！\r\n\r\n使用技巧提示：按下ctrl键或shift键时可以一次选中多条记录。",
                            "请先选择要删除的彩信记录！", "请先选择要查看资源的接收彩信！"}));
}

TEST_F(RecordPageTest, ViewReceivedResourceOpensOnlyAFolder) {
    const std::string folder = dir.file("RecvMMS/1");
    std::filesystem::create_directories(folder);
    testsupport::WriteFile(dir.file("tool"), "#!/bin/sh\n");
    MsgRecord recvFolder = Rec(1, "接收彩信", "13800000001");
    msgrec::SetField(recvFolder.szFiles, folder);
    MsgRecord recvFile = Rec(2, "接收彩信", "13800000002");
    msgrec::SetField(recvFile.szFiles, dir.file("tool"));
    WriteLog({recvFolder, recvFile, Rec(3, "已发送彩信", "13800000003")});
    page->OnSearchAgain();
    std::vector<std::string> opened;
    seam::ScopedFolderOpener opener([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    messages.clear();
    for (int row : {0, 1, 2}) {
        Select({row});
        page->OnViewReceivedResource();
    }
    EXPECT_EQ(opened, std::vector<std::string>{folder});
    EXPECT_EQ(messages, std::vector<std::string>{"请先选择要查看资源的接收彩信！\r\n\r\n只有接收彩信记录才有此功能！"});
}

TEST_F(RecordPageTest, DeleteRemovesTheSelectedRecords) {
    // Three records share id 5; the list's second and third of them are chosen.
    WriteLog({Rec(5, "已发送短信", "13800000001", "a"), Rec(6, "已发送短信", "13800000002", "b"),
              Rec(5, "已发送短信", "13800000003", "c"), Rec(7, "已发送短信", "13800000004", "d"),
              Rec(5, "已发送短信", "13800000005", "e")});
    page->OnSearchAgain();
    ASSERT_EQ(Ids(), (std::vector<int>{5, 7, 5, 6, 5}));
    answer = 0;
    Select({0, 2});
    page->OnDeleteRecords();  // the question is declined
    EXPECT_EQ(ReadLog().size(), 5u);
    answer = 1;
    page->OnDeleteRecords();
    std::vector<std::string> texts;
    for (const MsgRecord& r : ReadLog()) texts.push_back(msgrec::GetField(r.szText));
    EXPECT_EQ(texts, (std::vector<std::string>{"a", "b", "d"}));
    EXPECT_EQ(Ids(), (std::vector<int>{7, 6, 5}));
    EXPECT_EQ(CountLabel(), "列表中显示信息3条。");

    // The rows follow their records: deleting the top row now takes "d", not another.
    Select({0});
    page->OnDeleteRecords();
    texts.clear();
    for (const MsgRecord& r : ReadLog()) texts.push_back(msgrec::GetField(r.szText));
    EXPECT_EQ(texts, (std::vector<std::string>{"a", "b"}));

    // A row whose record went elsewhere leaves the list only.
    WriteLog({Rec(5, "已发送短信", "13800000001", "a")});
    Select({0});  // id 6, no longer in the log
    page->OnDeleteRecords();
    EXPECT_EQ(ReadLog().size(), 1u);
    EXPECT_EQ(Ids(), std::vector<int>{5});
}

TEST_F(RecordPageTest, ClearEmptiesTheWholeLogAndAutoRefresh) {
    messages.clear();
    page->OnClearRecords();
    EXPECT_EQ(messages, std::vector<std::string>{"列表中没有可清除的信息记录！"});
    WriteLog(Numbered(150));
    page->OnShowRecent();
    page->OnClearRecords();
    EXPECT_EQ(testsupport::ReadFile(log().FilePath()), "");  // unlisted records too
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(CountLabel(), "列表中显示信息0条。");

    // Auto-refresh: a new record goes on top; with the box unticked no row comes.
    auto* check = page->findChild<CSkinCheckBox*>("1020");
    ASSERT_TRUE(check->isChecked());
    const MsgRecord first = Rec(1, "接收短信", "13800000001");
    page->AddLogRecord(&first);
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(Ids(), std::vector<int>{1});
    check->click();
    EXPECT_FALSE(log().GetAutoRefresh());
    const MsgRecord second = Rec(2, "接收短信", "13800000002");
    page->AddLogRecord(&second);
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(Ids(), std::vector<int>{1});
    check->click();
    const MsgRecord third = Rec(3, "接收短信", "13800000003");
    page->AddLogRecord(&third);
    ASSERT_TRUE(DrainUi());
    EXPECT_EQ(Ids(), (std::vector<int>{3, 1}));
    EXPECT_EQ(CountLabel(), "列表中显示信息2条。");
    EXPECT_EQ(ReadLog().size(), 3u);
}

TEST_F(RecordPageTest, ReplyFillsTheChosenSendPage) {
    CSendSMSDlg send;
    CSendMMSDlg sendMms;
    CSendSMSDlg* oldSend = g_pSendSMSDlg;
    CSendMMSDlg* oldSendMms = g_pSendMMSDlg;
    g_pSendSMSDlg = &send;
    g_pSendMMSDlg = &sendMms;
    struct Restore {
        CSendSMSDlg* old;
        CSendMMSDlg* oldMms;
        ~Restore() {
            g_pSendSMSDlg = old;
            g_pSendMMSDlg = oldMms;
        }
    } restore{oldSend, oldSendMms};
    WriteLog({Rec(1, "接收短信", "13800000001"), Rec(2, "接收短信", ""), Rec(3, "接收短信", "13800000003")});
    page->OnSearchAgain();
    for (int choice : {CReplyTypeDlg::kReplyMms, CReplyTypeDlg::kReplyText}) {
        SCOPED_TRACE(choice);
        bool noReplyShown = true;
        int preset = -1;
        ScopedModalRun run([&](CSkinDialog& d) {
            d.ShowForHook();
            auto& dlg = dynamic_cast<CReplyTypeDlg&>(d);
            noReplyShown = dlg.m_radio[2]->isVisible();
            preset = dlg.m_radio[0]->isChecked() ? 0 : 1;
            dlg.m_radio[choice]->setChecked(true);
            dlg.OnOK();
            return d.result();
        });
        Select({0, 1, 2});
        page->OnReply();
        EXPECT_FALSE(noReplyShown);
        EXPECT_EQ(preset, 0);
    }
    // Each reply added the two valid numbers to its own page.
    const std::vector<std::string> both{"13800000003", "13800000001"};
    EXPECT_EQ(sendMms.Recipients()->Entries(), both);
    EXPECT_EQ(send.Recipients()->Entries(), both);
    EXPECT_NE(sendMms.findChild<QLabel*>("1101")->text().indexOf(QString::fromUtf8("当前已有2位")), -1);
}

TEST_F(RecordPageTest, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    std::vector<MsgRecord> recs = EveryStatus();
    recs.pop_back();
    for (MsgRecord& r : recs) msgrec::SetField(r.szText, "本周六门店全场八折，欢迎光临！");
    WriteLog(recs);
    page->resize(760, 420);
    page->show();
    page->OnSearchAgain();
    Select({1, 3});
    QApplication::processEvents();
    page->grab().save(QString(out) + "/page159.png");
    CAdvancedQueryDlg q;
    CReplyTypeDlg r;
    for (std::pair<CSkinDialog*, const char*> d : {std::pair<CSkinDialog*, const char*>{&q, "511"}, {&r, "420"}}) {
        d.first->show();
        QApplication::processEvents();
        d.first->grab().save(QString(out) + "/dlg" + d.second + ".png");
        d.first->hide();
    }
}

// The forward menu's pictures sit on the image column with their white masked out.
TEST_F(RecordPageTest, ForwardMenuPicturesAreMasked) {
    ASSERT_NE(page->ForwardMenu().GetSubMenu(0), nullptr);
    const auto boxes = testsupport::IconMenuPictureBoxes(page->ForwardMenu().GetSubMenu(0)->GetMenu(), QColor(236, 233, 216));
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.white, 0);
        EXPECT_GT(b.ink, 10);
    }
}

}  // namespace
