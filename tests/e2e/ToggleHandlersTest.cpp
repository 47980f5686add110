// Radios and check boxes of the pages and dialogs changed without a click, through
// QAbstractButton::toggle() (what a screen reader's "toggle" does): each change runs the
// control's handler, once; putting stored values on screen runs none.
#include "compose/CyclePeriodDlg.h"
#include "compose/MMSDialogs.h"
#include "compose/MMSEditDlg.h"
#include "compose/MMSPackage.h"
#include "compose/MmsSend.h"
#include "compose/SendMMSDlg.h"
#include "compose/SendSMSDlg.h"
#include "contacts/AutoReply.h"
#include "contacts/AutoReplyDlg.h"
#include "contacts/NumberLocationDlg.h"
#include "core/SMSRecordDlg.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/FlatComboBox.h"
#include "uikit/SkinButton.h"
#include "uikit/SkinCheckBox.h"
#include "uikit/SkinEdit.h"
#include "uikit/SortListCtrl.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using codec::FromQ;
using codec::ToQ;
using testsupport::TempAppDir;

namespace {

// Every message shown while it lives.
struct Messages {
    std::vector<std::string> shown;
    seam::ScopedMessageBox box{[this](const std::string& t, int) {
        shown.push_back(t);
        return 1;
    }};
};

}  // namespace

TEST(ToggleHandlers, CyclePeriodShowsTheListsOfTheCheckedPeriod) {
    CCyclePeriodDlg dlg;
    struct Case {
        int radio;
        bool month, day, week;
    };
    // Radio 0 (yearly) starts checked.
    const Case cases[] = {{2, false, false, true}, {1, false, true, false}, {3, false, false, false},
                          {0, true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        dlg.m_radio[c.radio]->toggle();
        ASSERT_TRUE(dlg.m_radio[c.radio]->isChecked());
        EXPECT_EQ(dlg.m_nPeriod, c.radio);
        EXPECT_EQ(!dlg.m_cmbMonth->isHidden(), c.month);
        EXPECT_EQ(!dlg.m_cmbDay->isHidden(), c.day);
        EXPECT_EQ(!dlg.m_cmbWeek->isHidden(), c.week);
        EXPECT_FALSE(dlg.m_cmbHour->isHidden());
        EXPECT_FALSE(dlg.m_cmbMinute->isHidden());
        // A monthly day list stands where the month list stood; a yearly one beside it.
        if (c.radio == 1) {
            EXPECT_EQ(dlg.m_cmbDay->x(), dlg.m_cmbMonth->x());
        } else if (c.radio == 0) {
            EXPECT_GT(dlg.m_cmbDay->x(), dlg.m_cmbMonth->x());
        }
    }
}

TEST(ToggleHandlers, SendMmsKindSetsItsButtons) {
    TempAppDir dir;
    CSendMMSDlg page;
    using namespace mmssend;
    for (int kind : {kPhoto, kVoice, kRingtone, kNovel, kApp, kVideo, kMp3, kSlides}) {
        SCOPED_TRACE(kind);
        page.m_radios[kind]->toggle();
        ASSERT_TRUE(page.m_radios[kind]->isChecked());
        EXPECT_EQ(FromQ(page.m_btnChoose->text()), Kind(kind).button);
        EXPECT_EQ(!page.m_btnEditSlides->isHidden(), kind == kSlides);
        EXPECT_EQ(!page.m_btnRecordVoice->isHidden(), kind == kVoice);
    }
}

TEST(ToggleHandlers, SalutationNoteOncePerTurningOn) {
    TempAppDir dir;
    Messages m;
    CSendSMSDlg page;
    page.show();
    EXPECT_TRUE(m.shown.empty());
    page.m_checkSalutation->toggle();
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].rfind("请注意：", 0), 0u) << m.shown[0];
    page.m_checkSalutation->toggle();
    EXPECT_EQ(m.shown.size(), 1u);
    // A click runs it once too.
    QTest::mouseClick(page.m_checkSalutation, Qt::LeftButton);
    EXPECT_TRUE(page.m_checkSalutation->isChecked());
    EXPECT_EQ(m.shown.size(), 2u);
}

TEST(ToggleHandlers, AutoReplyWritesItsKeyAndSwitchesMode) {
    TempAppDir dir;
    clk::SetFixed(2026, 12, 10, 8, 30, 5);
    auto key = [&](const char* k) {
        return profile::GetString(dir.file("AutoReS.dat"), autoreply::kSection, k, "<none>", 10);
    };
    {
        CAutoReplyDlg page;
        page.LoadSettings();
        // Loading put the defaults on screen and wrote no key but the mode's.
        EXPECT_TRUE(page.m_radioStart->isChecked());
        EXPECT_TRUE(page.m_radioFilter[2]->isChecked());
        for (const char* k : {"启用自动回复", "回复所有查询", "查询消息限制", "添加自动编号", "随即选取回复消息"})
            EXPECT_EQ(key(k), "<none>") << k;
        EXPECT_EQ(key("标记回复与循环回复"), "0");

        struct Case {
            QAbstractButton* button;
            const char* key;
            const char* value;
        };
        const Case cases[] = {
            {page.m_radioStop, "启用自动回复", "1"},         {page.m_radioStart, "启用自动回复", "0"},
            {page.m_radioKnownNumbers, "回复所有查询", "1"}, {page.m_radioAllNumbers, "回复所有查询", "0"},
            {page.m_radioFilter[0], "查询消息限制", "0"},    {page.m_radioFilter[1], "查询消息限制", "1"},
            {page.m_radioFilter[2], "查询消息限制", "2"},    {page.m_radioFromList, "标记回复与循环回复", "1"},
            {page.m_checkAutoNumber, "添加自动编号", "1"},   {page.m_checkRandom, "随即选取回复消息", "1"},
            {page.m_checkAutoNumber, "添加自动编号", "0"},   {page.m_checkRandom, "随即选取回复消息", "0"},
            {page.m_radioByContent, "标记回复与循环回复", "0"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(FromQ(c.button->text()));
            c.button->toggle();
            EXPECT_EQ(key(c.key), c.value);
            // The page shows the list of the engine's mode.
            const bool listMode = page.Engine().Get(autoreply::kReplyMode) == 1;
            EXPECT_EQ(!page.m_listCyclic->isHidden(), listMode);
            EXPECT_EQ(!page.m_listKeyword->isHidden(), !listMode);
            EXPECT_EQ(!page.m_checkRandom->isHidden(), listMode);
        }
        EXPECT_TRUE(page.m_radioByContent->isChecked());
        EXPECT_FALSE(page.m_radioFromList->isChecked());

        // A screen reader's toggle action.
        for (QRadioButton* r : {page.m_radioStop, page.m_radioFromList}) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(r);
            ASSERT_TRUE(a && a->actionInterface());
            a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            EXPECT_TRUE(r->isChecked());
        }
        EXPECT_EQ(key("启用自动回复"), "1");
        EXPECT_EQ(key("标记回复与循环回复"), "1");
        EXPECT_FALSE(page.m_listCyclic->isHidden());
    }
    g_strAutoReplyIni.clear();
    clk::Reset();
}

TEST(ToggleHandlers, NumberRangeEditsFollowTheRadio) {
    TempAppDir dir;
    CNumberLocationDlg dlg;
    struct Case {
        int radio;
        bool rangeOpen;
    };
    const Case cases[] = {{2, true}, {1, false}, {2, true}, {3, false}, {2, true}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        dlg.m_editStart->setText("35");
        dlg.m_editEnd->setText("36");
        dlg.m_radio[c.radio]->toggle();
        ASSERT_TRUE(dlg.m_radio[c.radio]->isChecked());
        for (CSkinEdit* e : {dlg.m_editStart, dlg.m_editEnd}) {
            EXPECT_EQ(e->isEnabled(), c.rangeOpen);
            // Leaving the range empties it; choosing it keeps what stands.
            EXPECT_EQ(e->text().isEmpty(), !c.rangeOpen);
        }
    }
}

TEST(ToggleHandlers, RecordsAutoRefreshFollowsTheBox) {
    TempAppDir dir;
    CSMSRecordDlg page;
    auto* box = page.findChild<QAbstractButton*>("1020");
    ASSERT_TRUE(box);
    ASSERT_TRUE(box->isChecked());
    EXPECT_TRUE(page.Log().GetAutoRefresh());
    box->toggle();
    EXPECT_FALSE(page.Log().GetAutoRefresh());
    box->toggle();
    EXPECT_TRUE(page.Log().GetAutoRefresh());
}

TEST(ToggleHandlers, EditorAutoTurnEditsThePackageOnlyWhenChanged) {
    TempAppDir app;
    Messages m;
    fs::create_directories(app.file("MMSSink/我的彩信"));
    fs::create_directories(app.file("src"));
    for (int stored : {1, 0}) {
        SCOPED_TRACE(stored);
        const std::string path = app.path() + "\\MMSSink\\我的彩信\\turn" + std::to_string(stored) + ".qmx";
        {
            CMMSPackage pkg;
            pkg.m_strWorkFolder = app.file("src");
            pkg.ClearFolder();
            pkg.ClearFrames();
            pkg.SetText(0, "你好", 0);
            pkg.m_bAutoPageTurn = stored;
            ASSERT_EQ(pkg.Save(path, 1), 1);
        }
        CMMSEditDlg dlg;
        dlg.m_strPackagePath = path;
        dlg.ShowForHook();
        // Showing the stored value is no edit.
        EXPECT_EQ(dlg.m_chkAutoTurn->isChecked(), stored == 1);
        EXPECT_EQ(dlg.Package().m_bAutoPageTurn, stored);
        EXPECT_EQ(dlg.Package().m_bModified, 0);
        dlg.m_chkAutoTurn->toggle();
        EXPECT_EQ(dlg.Package().m_bAutoPageTurn, 1 - stored);
        EXPECT_EQ(dlg.Package().m_bModified, 1);
        dlg.OnCancel();
    }
    EXPECT_TRUE(m.shown.empty()) << m.shown.front();
}

TEST(ToggleHandlers, ExportTypeEnablesTheDestination) {
    CExportOptionDlg dlg;
    dlg.ShowForHook();
    ASSERT_TRUE(dlg.m_radioQmxs->isChecked());
    ASSERT_TRUE(dlg.m_radioSink->isEnabled());
    dlg.m_radioFiles->toggle();
    EXPECT_FALSE(dlg.m_radioSink->isEnabled());
    EXPECT_FALSE(dlg.m_radioOutside->isEnabled());
    dlg.m_radioQmxs->toggle();
    EXPECT_TRUE(dlg.m_radioSink->isEnabled());
    EXPECT_TRUE(dlg.m_radioOutside->isEnabled());
    dlg.OnCancel();
}
