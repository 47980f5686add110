// The send paths of the send-SMS page against the SMS pending page's queues, the balance asked
// of the in-process platform simulator.
#include "compose/CyclePeriodDlg.h"
#include "compose/MultiLineEdit.h"
#include "compose/PickerHooks.h"
#include "compose/RecipientInputDlg.h"
#include "compose/WapPushHelpDlg.h"
#include "compose/RecipientList.h"
#include "compose/SendSMSDlg.h"
#include "compose/SmsCompose.h"
#include "compose/TimedSendDlg.h"
#include "core/Globals.h"
#include "core/LoginSettings.h"
#include "core/PlatformClient.h"
#include "core/QueueJournal.h"
#include "core/QueueRow.h"
#include "core/SMSSendingListDlg.h"
#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "tools/platform-sim/PlatformSim.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"

#include <QRadioButton>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstring>
#include <set>

using codec::FromQ;
using codec::ToQ;

namespace {
struct SendFixture {
    testsupport::TempAppDir dir;
    platformsim::PlatformSim sim;
    std::vector<std::string> messages, standard;
    std::set<int> messageCursors;  // wait cursors shown at the messages
    int answer = 1;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        messages.push_back(t);
        messageCursors.insert(testsupport::WaitCursorDepth());
        return answer;
    }};
    seam::ScopedStandardBox stdBox{[this](const std::string& t) { standard.push_back(t); }};
    std::unique_ptr<CSMSSendingListDlg> queue;
    std::unique_ptr<CSendSMSDlg> page;

    explicit SendFixture(int balance = 1000, const std::string& senderFile = {}) {
        http::GlobalInit();
        EXPECT_TRUE(sim.Start());
        sim.AddAccount({"E-1", "user", "pw", {}, balance, 0});
        LoginInfo li = GetLoginInfo();
        li.strSmsServer = sim.HostPort();
        li.strMmsServer = sim.HostPort();
        SetLoginInfo(li);
        SetLoginCredentials("E-1", "user", "pw", "01");
        if (!senderFile.empty()) testsupport::WriteFile(dir.file("SM.mp"), senderFile);
        std::memset(g_SysInfo.szNumberPrefix, 0, sizeof g_SysInfo.szNumberPrefix);
        queue = std::make_unique<CSMSSendingListDlg>();
        g_pSMSSendingListDlg = queue.get();
        queue->List(2).Clear();
        queue->List(3).Clear();
        page = std::make_unique<CSendSMSDlg>();
    }
    ~SendFixture() {
        page.reset();
        g_pSMSSendingListDlg = nullptr;
        queue.reset();
        std::memset(g_SysInfo.szNumberPrefix, 0, sizeof g_SysInfo.szNumberPrefix);
        sim.Stop();
    }
    void Setup(const std::string& text, std::vector<std::string> entries) {
        page->m_editContent->SetText(ToQ(text));
        page->Recipients()->AddEntries(entries);
    }
    std::vector<rows::RowData> Rows(int list) { return queue->List(list).Snapshot(); }
    static std::string Cell(const rows::RowData& r, int c) { return r.cells[c]; }
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}
}  // namespace

TEST(SendSMSDlg, QueuedNumberFillsTheFieldWidthWithThePrefixAndNoMore) {
    const std::string digits16(16, '8');
    struct Case {
        const char* prefix;
        std::string entry;
        std::string queued;  // empty: refused
    };
    const Case cases[] = {
        {"+86", digits16, "+86" + digits16},                    // 19 bytes: the field's width
        {"+86", digits16 + "8", ""},                            // 20
        {"+86", " " + digits16 + "\t", "+86" + digits16},       // blanks are not counted
        {"中", digits16 + "8", "中" + digits16 + "8"},          // 19 GBK bytes, 20 UTF-8 bytes
        {"中", digits16 + "88", ""},                            // 20 GBK bytes
        {"", std::string(19, '8'), std::string(19, '8')},
        {"", std::string(20, '8'), ""},
        {"+86", "12a", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compose::QueuedNumber(c.prefix, c.entry), c.queued) << c.prefix << "|" << c.entry;
}

TEST(SendSMSDlg, ImmediateLengthsIdsAndLongTexts) {
    struct Case {
        std::string text, sender;
        bool longText;
    } cases[] = {
        {std::string(196, 'a'), "ABCD", false},  // 200 bytes with the name: queued whole
        {std::string(197, 'a'), "ABCD", true},   // 201 bytes
        {Repeat("中", 100) + "x", "", true},     // 201 bytes of Chinese text
    };
    for (const Case& c : cases) {
        SendFixture f;
        f.page->m_editSenderName->setText(ToQ(c.sender));
        f.Setup(c.text, {"13800000001", "abc", " 13800000002 "});
        f.page->OnBtnSendNow();
        EXPECT_EQ(f.messages, std::vector<std::string>{"已将要发送的短消息加入了发送队列！"});
        const auto rows = f.Rows(1);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(f.Cell(rows[0], queue::kColNumber), "13800000001");
        EXPECT_EQ(f.Cell(rows[1], queue::kColNumber), "13800000002");  // queued trimmed
        const int id0 = std::stoi(f.Cell(rows[0], queue::kColId));
        EXPECT_EQ(std::stoi(f.Cell(rows[1], queue::kColId)), id0 + 1);
        const std::string full = c.text + c.sender;
        if (!c.longText) {
            EXPECT_EQ(f.Cell(rows[0], queue::kColText), full);
        } else {
            // The marker holds the first id, the rows the next ones.
            const int marker = id0 - 1;
            const std::string head = codec::FromGbk(codec::CutGbkBytes(codec::ToGbk(full), 140));
            EXPECT_EQ(f.Cell(rows[0], queue::kColText), head + "<<#<" + std::to_string(marker) + ">#>");
            EXPECT_EQ(testsupport::ReadFile(f.dir.file("SMSText/" + std::to_string(marker) + ".txt")),
                      codec::ToGbk(full));
        }
        EXPECT_EQ(f.page->Recipients()->GetCount(), 0);
        EXPECT_EQ(FromQ(f.page->m_labelLength->text()).rfind("当前设定 0 个发送对象；", 0), 0u);
    }
}

// 优先发送: the numbers go to the top as an insert at the top per number would leave them (the
// last first), in one journal entry, and come back so after a restart without a save.
TEST(SendSMSDlg, PriorityRowsAtTheTopSurviveARestart) {
    SendFixture f;
    f.queue->AddSMSItem(7, "13900000000", {}, "earlier", {}, 0);
    f.page->m_checkPriority->setChecked(true);
    f.Setup("hello", {"13800000001", "13800000002", "13800000003"});
    f.page->OnBtnSendNow();
    const auto numbers = [](const std::vector<rows::RowData>& rows) {
        std::vector<std::string> out;
        for (const auto& r : rows) out.push_back(r.cells[queue::kColNumber]);
        return out;
    };
    const std::vector<std::string> expected{"13800000003", "13800000002", "13800000001", "13900000000"};
    const auto rows = f.Rows(1);
    EXPECT_EQ(numbers(rows), expected);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(std::stoi(f.Cell(rows[0], queue::kColId)), std::stoi(f.Cell(rows[2], queue::kColId)) + 2);
    EXPECT_EQ(f.queue->Queues().Journal().Read().size(), 2u);  // one entry per writer call

    CSMSSendingListDlg restarted;
    restarted.LoadQueues();
    EXPECT_EQ(numbers(restarted.List(1).Snapshot()), expected);
}

TEST(SendSMSDlg, ImmediateRefusals) {
    struct Case {
        const char* name;
        int balance;
        std::string text;
        std::vector<std::string> entries;
        int answer;
        std::vector<std::string> messages;
        std::size_t rows;
    } cases[] = {
        {"no entry", 1000, "t", {}, 1, {"还没有指定短信接收对象！"}, 0},
        {"all invalid", 1000, "t", {"ab", "12"}, 1, {"还没有指定短信接收对象！"}, 0},
        {"wider than the number field", 1000, "t", {"12345678901234567890"}, 1, {"还没有指定短信接收对象！"}, 0},
        {"short balance", 1, "t", {"13800000001", "13800000002"}, 1, {"剩余可发送短信条数不够！"}, 0},
        {"empty text, cancel", 1000, "", {"13800000001"}, 0, {"真的要发送一个空消息吗？"}, 0},
        {"empty text, ok", 1000, "", {"13800000001"}, 1,
         {"真的要发送一个空消息吗？", "已将要发送的短消息加入了发送队列！"}, 1},
        {"250 units", 1000, Repeat("中", 250), {"13800000001"}, 1, {"已将要发送的短消息加入了发送队列！"}, 1},
        {"251 units", 1000, Repeat("中", 251), {"13800000001"}, 1,
         {"发送长度过长（最长250字），请删除一部分后再发送！"}, 0},
    };
    for (const Case& c : cases) {
        SendFixture f(c.balance);
        f.answer = c.answer;
        f.Setup(c.text, c.entries);
        f.page->OnBtnSendNow();
        EXPECT_EQ(f.messages, c.messages) << c.name;
        const auto rows = f.Rows(1);
        ASSERT_EQ(rows.size(), c.rows) << c.name;
        if (c.rows == 0) {
            EXPECT_EQ(f.page->Recipients()->Entries(), c.entries) << c.name;  // the list stays
            EXPECT_FALSE(QFile::exists(QString::fromStdString(f.dir.file("SmsIndex.dat")))) << c.name;
        } else if (c.text.empty()) {
            EXPECT_EQ(f.Cell(rows[0], queue::kColText), "   ");
        }
    }
    // A failed balance request counts as -1.
    SendFixture f;
    f.sim.Stop();
    f.Setup("t", {"13800000001"});
    f.page->OnBtnSendNow();
    EXPECT_EQ(f.messages, std::vector<std::string>{"剩余可发送短信条数不够！"});
}

TEST(SendSMSDlg, WapPushStep) {
    struct Case {
        std::string in, out;
        bool wap;
    } cases[] = {
        {"<http://a.b/c>###999###<t>", "<a.b/c>###999###<t>", true},
        {"<HTTP://a.b/c>###999###<t>", "<a.b/c>###999###<t>", true},
        {"1234http://x>###999###<t>", "1234x>###999###<t>", true},   // index 4
        {"12345http://x>###999###<t>", "12345http://x>###999###<t>", true},  // index 5 stays
        {"http://x>###999###<t>", "http://x>###999###<t>", true},    // index 0 stays
        {">###999###<http://x", ">###999###<http://x", false},       // begins with the mark
        {"中http://x>###999###<t", "中x>###999###<t", true},          // byte index 2
    };
    for (const Case& c : cases) {
        std::string t = c.in;
        bool wap = false;
        SendFixture f;
        EXPECT_EQ(f.page->PrepareMessageText(t, wap), 1);
        EXPECT_EQ(t, c.out) << c.in;
        EXPECT_EQ(wap, c.wap) << c.in;
    }
    // A WAP Push text gets no sender name; a plain one does.
    SendFixture f;
    f.page->m_editSenderName->setText("Me");
    f.Setup("<http://x>###999###<t>", {"13800000001"});
    f.page->OnBtnSendNow();
    f.Setup(">###999###<t", {"13800000001"});
    f.page->OnBtnSendNow();
    const auto rows = f.Rows(1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(f.Cell(rows[0], queue::kColText), "<x>###999###<t>");
    EXPECT_EQ(f.Cell(rows[1], queue::kColText), ">###999###<tMe");
}

TEST(SendSMSDlg, ScheduledSends) {
    clk::SetFixed(2026, 12, 31, 10, 15, 30);
    struct Case {
        const char* name;
        bool cyclic;
        std::string text, sender;
        std::vector<std::string> entries;
        std::string prefix;
        std::vector<std::string> messages;
        std::string numbers, queuedText, schedule;
    } cases[] = {
        {"timed, prefix, blanks", false, "hi", "", {"13800000001", "x", " 13800000002"}, "+86",
         {"已将要发送的短消息加入了发送队列！"}, "+8613800000001 +8613800000002", "hi", "2027-01-01 10:15:30"},
        {"cyclic daily", true, "hi", "S", {"13800000001"}, "", {"已将要发送的短消息加入了发送队列！"},
         "13800000001", "hiS", "[每日]9时0分"},
        {"empty text", false, "", "", {"13800000001"}, "",
         {"真的要发送一个空消息吗？", "已将要发送的短消息加入了发送队列！"}, "13800000001", "   ",
         "2027-01-01 10:15:30"},
        {"494 bytes and an 8-byte name", false, std::string(494, 'a'), "【星帆】", {"13800000001"}, "",
         {"已将要发送的短消息加入了发送队列！"}, "13800000001", std::string(494, 'a') + "【星帆】",
         "2027-01-01 10:15:30"},
        {"500 bytes and the name to 511", false, Repeat("中", 250), Repeat("x", 11), {"13800000001"}, "",
         {"已将要发送的短消息加入了发送队列！"}, "13800000001", Repeat("中", 250) + Repeat("x", 11),
         "2027-01-01 10:15:30"},
        {"text over 500 bytes", false, std::string(501, 'a'), "", {"13800000001"}, "",
         {"发送长度过长（最长500字节），请删除一部分后再发送！"}, "", "", ""},
        {"name past the field", false, std::string(500, 'a'), Repeat("x", 12), {"13800000001"}, "",
         {"发送长度过长（最长500字节），请删除一部分后再发送！"}, "", "", ""},
        {"all invalid", true, "hi", "", {"ab"}, "", {"还没有指定短信接收对象！"}, "", "", ""},
    };
    for (const Case& c : cases) {
        SendFixture f;
        std::strcpy(g_SysInfo.szNumberPrefix, c.prefix.c_str());
        f.page->m_editSenderName->setText(ToQ(c.sender));
        f.Setup(c.text, c.entries);
        if (c.cyclic) {
            f.page->m_editSenderName->setText(ToQ(c.sender));
            int runs = 0;
            ScopedModalRun run([&](CSkinDialog& d) {
                ++runs;
                auto& p = static_cast<CCyclePeriodDlg&>(d);
                p.m_radio[3]->click();
                p.OnOK();
                return p.result();
            });
            f.page->OnBtnSendCyclic();
            EXPECT_EQ(runs, c.numbers.empty() ? 0 : 1) << c.name;
        } else {
            ScopedModalRun run([](CSkinDialog& d) {
                d.OnOK();
                return d.result();
            });
            f.page->OnBtnSendTimed();
        }
        EXPECT_EQ(f.messages, c.messages) << c.name;
        EXPECT_TRUE(f.page->m_strSchedule.empty());
        const auto rows = f.Rows(c.cyclic ? 3 : 2);
        if (c.numbers.empty()) {
            EXPECT_TRUE(rows.empty()) << c.name;
            EXPECT_EQ(f.page->Recipients()->GetCount(), static_cast<int>(c.entries.size()));
            continue;
        }
        ASSERT_EQ(rows.size(), 1u) << c.name;
        EXPECT_EQ(f.Cell(rows[0], queue::kColNumber), c.numbers) << c.name;
        EXPECT_EQ(f.Cell(rows[0], queue::kColText), c.queuedText) << c.name;
        EXPECT_EQ(f.Cell(rows[0], queue::kColTime), c.schedule) << c.name;
        EXPECT_EQ(f.page->Recipients()->GetCount(), 0);
    }
    // Cancel of the dialog queues nothing and keeps the list.
    SendFixture f;
    f.Setup("hi", {"13800000001"});
    ScopedModalRun run([](CSkinDialog& d) {
        d.OnCancel();
        return d.result();
    });
    f.page->OnBtnSendTimed();
    EXPECT_TRUE(f.Rows(2).empty());
    EXPECT_EQ(f.page->Recipients()->GetCount(), 1);
    clk::Reset();
}

// The wait cursor from the numbers' check through the balance query, and again over the
// queueing and the list's reset (the list's own inside it); none at any question or message.
TEST(SendSMSDlg, WaitCursorOverTheSendsButNotTheirQuestions) {
    const std::vector<std::string> entries{"13800000001", "13800000002"};
    for (const int kind : {0, 1, 2}) {  // immediate with an empty text, timed, cyclic
        SCOPED_TRACE(kind);
        SendFixture f;
        f.Setup(kind == 0 ? "" : "hi", entries);
        std::set<int> reset, asked;
        int balance = -1;
        QObject::connect(f.page->Recipients()->Model(), &QAbstractItemModel::modelReset,
                         [&] { reset.insert(testsupport::WaitCursorDepth()); });
        ScopedModalRun run([&](CSkinDialog& d) {
            asked.insert(testsupport::WaitCursorDepth());
            if (auto* p = dynamic_cast<CCyclePeriodDlg*>(&d)) p->m_radio[3]->click();
            d.OnOK();
            return d.result();
        });
        if (kind == 0) {
            // Runs while the balance is asked off the UI thread.
            QTimer::singleShot(0, [&] { balance = testsupport::WaitCursorDepth(); });
            f.page->OnBtnSendNow();
            EXPECT_EQ(balance, 1);
            EXPECT_EQ(f.messages, (std::vector<std::string>{"真的要发送一个空消息吗？", "已将要发送的短消息加入了发送队列！"}));
        } else {
            if (kind == 1) f.page->OnBtnSendTimed();
            else f.page->OnBtnSendCyclic();
            EXPECT_EQ(asked, std::set<int>{0});
            EXPECT_EQ(f.messages, std::vector<std::string>{"已将要发送的短消息加入了发送队列！"});
        }
        EXPECT_EQ(f.Rows(kind + 1).size(), kind == 0 ? 2u : 1u);
        EXPECT_EQ(reset, std::set<int>{2});
        EXPECT_EQ(f.messageCursors, std::set<int>{0});
        EXPECT_EQ(testsupport::WaitCursorDepth(), 0);
    }
    // Nothing to send to: the message without the cursor, the list kept.
    SendFixture f;
    f.Setup("hi", {"ab"});
    f.page->OnBtnSendNow();
    f.page->OnBtnSendTimed();
    EXPECT_EQ(f.messages, (std::vector<std::string>(2, "还没有指定短信接收对象！")));
    EXPECT_EQ(f.messageCursors, std::set<int>{0});
    EXPECT_EQ(f.page->Recipients()->GetCount(), 1);
}

TEST(SendSMSDlg, SenderNameLabelAndPhrases) {
    // A name of more than 30 bytes from "SM.mp" stops every send with the standard box.
    SendFixture f(1000, std::string(40, 'N') + std::string(1, '\0') + "rest");
    EXPECT_EQ(FromQ(f.page->m_editSenderName->text()), std::string(40, 'N'));
    f.Setup("t", {"13800000001"});
    f.page->OnBtnSendNow();
    f.page->OnBtnSendTimed();
    EXPECT_EQ(f.standard, std::vector<std::string>(2, "末尾发送者名称最多30个字节，请删减后再发送！"));
    EXPECT_TRUE(f.messages.empty());
    EXPECT_TRUE(f.Rows(1).empty());
    EXPECT_EQ(f.sim.RequestCount("/Account.asp") + f.sim.RequestCount("/YFMsg.asp"), 0u);

    // The label counts UTF-16 units of the text and the name.
    f.page->m_editSenderName->setText("");
    f.page->m_editContent->SetText("");
    f.page->UpdateLengthLabel();
    EXPECT_EQ(FromQ(f.page->m_labelLength->text()), "当前设定 1 个发送对象；短消息正文（含发送者名称）长度0字。");
    f.page->m_editSenderName->setText(ToQ("张三"));
    f.page->m_editContent->SetText(ToQ("你好\r\nab"));
    EXPECT_EQ(FromQ(f.page->m_labelLength->text()), "当前设定 1 个发送对象；当前长度8字。");

    // Phrases: refused over 600 bytes, the result cut to 799 bytes; Cancel changes nothing.
    auto old = picker::SetPhrasePicker([](QWidget*) { return std::optional<std::string>(std::string(300, 'p')); });
    f.page->m_editContent->SetText(ToQ(std::string(601, 'a')));
    f.page->OnBtnInsertPhrase();
    EXPECT_EQ(f.messages.back(), "短信内容已严重超长！\n请先删减部分短信内容后再执行本操作。");
    EXPECT_EQ(FromQ(f.page->m_editContent->Text()), std::string(601, 'a'));
    f.page->m_editContent->SetText(ToQ(std::string(600, 'a')));
    f.page->OnBtnInsertPhrase();
    EXPECT_EQ(FromQ(f.page->m_editContent->Text()), std::string(600, 'a') + std::string(199, 'p'));
    f.page->m_editContent->SetText(ToQ(Repeat("中", 250)));
    picker::SetPhrasePicker([](QWidget*) { return std::optional<std::string>(Repeat("好", 200)); });
    f.page->OnBtnInsertPhrase();
    EXPECT_EQ(codec::GbkLength(FromQ(f.page->m_editContent->Text())), 798u);
    picker::SetPhrasePicker([](QWidget*) { return std::nullopt; });
    f.page->m_editContent->SetText("x");
    f.page->OnBtnInsertPhrase();
    EXPECT_EQ(FromQ(f.page->m_editContent->Text()), "x");
    picker::SetPhrasePicker(std::move(old));

    // The salutation note.
    f.messages.clear();
    f.page->m_checkSalutation->click();
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0].rfind("请注意：", 0), 0u);
    f.page->m_checkSalutation->click();
    EXPECT_EQ(f.messages.size(), 1u);
}

// Offscreen pictures of the page and its dialogs, for a look (SMS_SHOT_DIR set).
TEST(SendSMSDlg, RenderForReview) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) GTEST_SKIP() << "SMS_SHOT_DIR not set";
    SendFixture f;
    f.page->resize(730, 376);
    f.page->m_editContent->SetText(ToQ("各位客户：\r\n本周六门店全场八折，欢迎光临！"));
    f.page->m_editSenderName->setText(ToQ("星帆商城"));
    std::vector<std::string> entries;
    for (int i = 0; i < 60; ++i) entries.push_back(std::to_string(13800000000LL + i));
    f.page->Recipients()->AddEntries(entries);
    f.page->UpdateLengthLabel();
    f.page->show();
    QApplication::processEvents();
    f.page->grab().save(QString(out) + "/page137.png");
    CTimedSendDlg t;
    CCyclePeriodDlg c;
    CWapPushHelpDlg w;
    CRecipientInputDlg r;
    r.m_editNumbers->setPlainText("13800000001\n13800000002");
    for (std::pair<CSkinDialog*, const char*> d : {std::pair<CSkinDialog*, const char*>{&t, "211"}, {&c, "513"}, {&w, "421"}, {&r, "228"}}) {
        d.first->show();
        QApplication::processEvents();
        d.first->grab().save(QString(out) + "/dlg" + d.second + ".png");
        d.first->hide();
    }
}
