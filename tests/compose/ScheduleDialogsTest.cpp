// The scheduling, number input and WAP Push help dialogs, run through the modal-run hook.
#include "compose/CyclePeriodDlg.h"
#include "compose/RecipientInputDlg.h"
#include "compose/TimedSendDlg.h"
#include "compose/WapPushHelpDlg.h"
#include "platform/Clock.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QRadioButton>
#include <QTimeEdit>

using codec::FromQ;
using codec::ToQ;

namespace {
struct ClockAt {
    ClockAt(int y, int mo, int d, int h, int mi, int s) { clk::SetFixed(y, mo, d, h, mi, s); }
    ~ClockAt() { clk::Reset(); }
};
}  // namespace

TEST(TimedSendDlg, OkAtOnceGivesTheSameTimeTomorrow) {
    struct Case {
        int y, mo, d, h, mi, s;
        const char* expected;
    } cases[] = {
        {2026, 12, 31, 10, 15, 30, "2027-01-01 10:15:30"},
        {2028, 2, 28, 0, 0, 5, "2028-02-29 00:00:05"},
        {2026, 6, 9, 23, 59, 59, "2026-06-10 23:59:59"},
    };
    for (const Case& c : cases) {
        ClockAt at(c.y, c.mo, c.d, c.h, c.mi, c.s);
        CTimedSendDlg dlg;
        ScopedModalRun run([](CSkinDialog& d) {
            d.ShowForHook();
            d.OnOK();
            return d.result();
        });
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_strSendTime, c.expected);
        // The frames lie on the pickers' outlines.
        EXPECT_EQ(dlg.findChild<QWidget*>("1114")->geometry(), dlg.m_dateSend->geometry());
        EXPECT_EQ(dlg.findChild<QWidget*>("1117")->geometry(), dlg.m_timeSend->geometry().adjusted(1, 1, -1, -1));
    }
    // A chosen moment, and Cancel.
    CTimedSendDlg dlg;
    {
        ScopedModalRun run([](CSkinDialog& d) {
            auto& t = static_cast<CTimedSendDlg&>(d);
            t.m_dateSend->setDate(QDate(2030, 3, 4));
            t.m_timeSend->setTime(QTime(7, 8, 9));
            t.OnOK();
            return t.result();
        });
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_strSendTime, "2030-03-04 07:08:09");
    }
    CTimedSendDlg cancelled;
    ScopedModalRun run([](CSkinDialog& d) {
        d.OnCancel();
        return d.result();
    });
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(cancelled.m_strSendTime, "");
}

TEST(CyclePeriodDlg, PeriodTextsAndTheListsEachPeriodShows) {
    struct Case {
        int period;  // radio index: 0 yearly ... 3 daily
        int month, day, week, hour, minute;  // selected indices; -1 keeps the initial one
        const char* expected;
        bool monthShown, dayShown, weekShown;
    } cases[] = {
        {0, -1, -1, -1, -1, -1, "[每年]1月1日9时0分", true, true, false},
        {0, 2, 14, -1, 8, 6, "[每年]3月15日8时30分", true, true, false},
        {1, -1, 30, -1, 0, 11, "[每月]31日0时55分", false, true, false},
        {2, -1, -1, 6, 23, 11, "[每周]星期日23时55分", false, false, true},
        {3, -1, -1, -1, -1, -1, "[每日]9时0分", false, false, false},
    };
    for (const Case& c : cases) {
        CCyclePeriodDlg dlg;
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& p = static_cast<CCyclePeriodDlg&>(d);
            p.ShowForHook();
            p.m_radio[c.period]->click();
            EXPECT_EQ(p.m_cmbMonth->isVisible(), c.monthShown) << c.expected;
            EXPECT_EQ(p.m_cmbDay->isVisible(), c.dayShown) << c.expected;
            EXPECT_EQ(p.m_cmbWeek->isVisible(), c.weekShown) << c.expected;
            EXPECT_TRUE(p.m_cmbHour->isVisible() && p.m_cmbMinute->isVisible());
            if (c.month >= 0) p.m_cmbMonth->setCurrentIndex(c.month);
            if (c.day >= 0) p.m_cmbDay->setCurrentIndex(c.day);
            if (c.week >= 0) p.m_cmbWeek->setCurrentIndex(c.week);
            if (c.hour >= 0) p.m_cmbHour->setCurrentIndex(c.hour);
            if (c.minute >= 0) p.m_cmbMinute->setCurrentIndex(c.minute);
            p.OnOK();
            return p.result();
        });
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_EQ(dlg.m_strPeriod, c.expected);
    }
    // The fixed items of the lists.
    CCyclePeriodDlg dlg;
    EXPECT_EQ(dlg.m_cmbMonth->count(), 12);
    EXPECT_EQ(dlg.m_cmbDay->count(), 31);
    EXPECT_EQ(FromQ(dlg.m_cmbWeek->itemText(0)), "星期一");
    EXPECT_EQ(dlg.m_cmbHour->count(), 24);
    EXPECT_EQ(dlg.m_cmbMinute->count(), 12);
    EXPECT_EQ(FromQ(dlg.m_cmbMinute->itemText(11)), "55");
}

TEST(RecipientInputDlg, KeepsValidTrimmedLinesAndStaysOpenWithoutOne) {
    std::vector<std::string> messages;
    seam::ScopedMessageBox box([&](const std::string& t, int) {
        messages.push_back(t);
        return 1;
    });
    struct Case {
        const char* text;
        std::vector<std::string> numbers;  // empty: the dialog stays open
    } cases[] = {
        {"13800000001\n\nabcdefg\n  13900000002  ", {"13800000001", "13900000002"}},
        {"+8613800000001\n12\n1234567890123456789012345678901", {"+8613800000001"}},
        {"\n \nhello", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        messages.clear();
        CRecipientInputDlg dlg;
        ScopedModalRun run([&](CSkinDialog& d) {
            auto& r = static_cast<CRecipientInputDlg&>(d);
            r.ShowForHook();
            r.m_editNumbers->setPlainText(ToQ(c.text));
            r.OnOK();
            if (r.isVisible() && r.result() == 0) {
                EXPECT_TRUE(r.m_editNumbers->hasFocus());
                r.OnCancel();
            }
            return r.result();
        });
        const int result = dlg.DoModal();
        if (c.numbers.empty()) {
            EXPECT_EQ(result, IDCANCEL) << c.text;
            EXPECT_EQ(messages, std::vector<std::string>{"请输入完整的信息接收号码（一行一个号码）。"});
        } else {
            EXPECT_EQ(result, IDOK) << c.text;
            EXPECT_EQ(dlg.m_arrNumbers, c.numbers);
            EXPECT_TRUE(messages.empty());
        }
    }
    // The edit takes at most 10000 bytes.
    CRecipientInputDlg dlg;
    dlg.m_editNumbers->setPlainText(QString(6000, QChar(0x4E2D)));
    EXPECT_EQ(codec::GbkLength(FromQ(dlg.m_editNumbers->Text())), 10000u);
}

TEST(WapPushHelpDlg, ExampleAddressIsTheSameInTextAndEdit) {
    CWapPushHelpDlg dlg;
    EXPECT_EQ(FromQ(dlg.windowTitle()), "发送WAP PUSH的使用方法");
    EXPECT_EQ(FromQ(dlg.m_editExample->text()), "<http://www.example.com/images/sample.gif>###999###<示例>");
    EXPECT_TRUE(dlg.m_editExample->isReadOnly());
    bool quoted = false;
    for (QLabel* l : dlg.findChildren<QLabel*>()) quoted |= FromQ(l->text()) == CWapPushHelpDlg::kExampleUrl;
    EXPECT_TRUE(quoted);
    ScopedModalRun run([](CSkinDialog& d) {
        d.ShowForHook();
        static_cast<CWapPushHelpDlg&>(d).m_btnClose->click();
        return d.result();
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}
