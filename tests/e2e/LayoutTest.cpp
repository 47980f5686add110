// Every page of the main window and every dialog reachable from it, shown offscreen at its real
// size: each control lies inside its parent and each button's caption fits it. With SMS_SHOT_DIR
// set, each window is also written there as a PNG.
#include "compose/CyclePeriodDlg.h"
#include "compose/ImportDialogs.h"
#include "compose/MMSDialogs.h"
#include "compose/MMSEditDlg.h"
#include "compose/PhraseLibDialogs.h"
#include "compose/MmsSend.h"
#include "compose/RecipientInputDlg.h"
#include "compose/SendMMSDlg.h"
#include "compose/TimedSendDlg.h"
#include "compose/VoiceRecordDlg.h"
#include "compose/WapPushHelpDlg.h"
#include "contacts/AutoReplyDialogs.h"
#include "contacts/LinkmanEditDlg.h"
#include "contacts/ReplyTypeDlg.h"
#include "contacts/SelectLinkmanDlg.h"
#include "core/AdvancedQueryDlg.h"
#include "core/BalanceDlg.h"
#include "core/ChangePasswordDlg.h"
#include "core/Globals.h"
#include "core/LoginDlg.h"
#include "core/MainTabCtrl.h"
#include "core/NoticeDlg.h"
#include "core/PageGlobals.h"
#include "core/SMSServerDlg.h"
#include "core/SMSTextDlg.h"
#include "core/SMSRecordDlg.h"
#include "core/WelComeDlg.h"
#include "core/MMSRecordDlg.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "support/TestSupport.h"
#include "uikit/MessageDlg.h"
#include "uikit/SortListCtrl.h"
#include "uikit/SysColors.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using testsupport::TempAppDir;

namespace {

std::string Name(const QWidget* w) {
    return std::string(w->metaObject()->className()) + " \"" + codec::FromQ(w->objectName()) + "\"";
}

// A push button's caption needs its measured width plus the kit's edge on each side and the
// one-pixel shift of a pressed caption.
constexpr int kButtonMargins = 2 * uikit::kEdge + 1;

// The faults of one window: children outside their parent, captions wider than their buttons.
void CollectFaults(const QWidget* parent, const QWidget* top, std::vector<std::string>& faults) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisibleTo(top)) continue;
        if (!parent->rect().contains(w->geometry()))
            faults.push_back(Name(w) + " at (" + std::to_string(w->x()) + "," + std::to_string(w->y()) + " " +
                             std::to_string(w->width()) + "x" + std::to_string(w->height()) + ") outside " +
                             Name(parent) + " (" + std::to_string(parent->width()) + "x" +
                             std::to_string(parent->height()) + ")");
        if (auto* b = qobject_cast<QPushButton*>(w); b && !b->text().isEmpty()) {
            const int need = b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width() + kButtonMargins;
            if (need > b->width())
                faults.push_back(Name(w) + " caption \"" + codec::FromQ(b->text()) + "\" needs " +
                                 std::to_string(need) + " px, has " + std::to_string(b->width()));
        }
        // A check box or radio button: its box, the gap and its caption.
        if (auto* b = qobject_cast<QAbstractButton*>(w);
            b && (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) && !b->text().isEmpty()) {
            const int need = b->sizeHint().width();
            if (need > b->width())
                faults.push_back(Name(w) + " caption \"" + codec::FromQ(b->text()) + "\" needs " +
                                 std::to_string(need) + " px, has " + std::to_string(b->width()));
        }
        // A read-only edit shows its whole text: nobody can scroll it by typing.
        if (auto* e = qobject_cast<QLineEdit*>(w); e && e->isReadOnly() && !e->text().isEmpty()) {
            const QMargins m = e->textMargins();
            const int need = e->fontMetrics().horizontalAdvance(e->text()) + m.left() + m.right() + 2 * uikit::kEdge + 4;
            if (need > e->width())
                faults.push_back(Name(w) + " text \"" + codec::FromQ(e->text()) + "\" needs " + std::to_string(need) +
                                 " px, has " + std::to_string(e->width()));
        }
        // The inner parts of compound controls are the controls' own business.
        if (qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QComboBox*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
            qobject_cast<QLineEdit*>(w))
            continue;
        CollectFaults(w, top, faults);
    }
}

void Shoot(QWidget* w, const std::string& name) {
    const char* out = std::getenv("SMS_SHOT_DIR");
    if (!out) return;
    w->grab().save(QString::fromStdString(std::string(out) + "/layout-" + name + ".png"));
}

void ExpectFits(QWidget* top, const std::string& name) {
    std::vector<std::string> faults;
    CollectFaults(top, top, faults);
    Shoot(top, name);
    std::string all;
    for (const auto& f : faults) all += "\n  " + f;
    EXPECT_TRUE(faults.empty()) << name << ":" << all;
}

struct LayoutFixture : ::testing::Test {
    TempAppDir dir;
    seam::ScopedMessageBox box{[](const std::string&, int) { return 2; }};

    LayoutFixture() {
        // The program's own font substitution, made at its start.
        for (const QString& face : {QString::fromUtf8("宋体"), QStringLiteral("SimSun")})
            if (QFont::substitutes(face).isEmpty()) QFont::insertSubstitution(face, QStringLiteral("Noto Serif CJK SC"));
        for (const char* name : {"MMSP1.bmp", "MMSP1-a.bmp", "MMSP2.bmp", "Smsdb.mdb", "LinkmanBook.mdb"})
            QFile::copy(QString(SMS_APP_DIR) + "/" + name, QString::fromStdString(dir.file(name)));
        g_bStopThreads = 0;
        CSMSServerDlg::SetLoginExec([](CLoginDlg&) { return int(QDialog::Accepted); });
    }
    ~LayoutFixture() override {
        CSMSServerDlg::SetLoginExec({});
        g_dlgWelcome.DestroyWindow();
        g_bStopThreads = 0;
    }
};

}  // namespace

TEST_F(LayoutFixture, EveryPageOfTheMainWindowFitsItsArea) {
    auto dlg = std::make_unique<CSMSServerDlg>();
    dlg->SetTrayAvailable(true);
    ASSERT_EQ(dlg->OnInitDialog(), 1);
    ASSERT_TRUE(g_dlgWelcome.IsWindow());
    ExpectFits(g_dlgWelcome.Window(), "welcome");
    g_dlgWelcome.DestroyWindow();
    dlg->show();
    QApplication::processEvents();
    ExpectFits(dlg.get(), "main");
    // The home page last: it is the current page before the first switch.
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}) {
        dlg->ShowPage(n);
        QApplication::processEvents();
        QWidget* page = dlg->TabCtrl()->Page(n);
        ASSERT_NE(page, nullptr) << n;
        ASSERT_TRUE(page->isVisible()) << n;
        EXPECT_EQ(page->size(), QSize(730, 376)) << n;
        if (n == 3) {
            // A long novel shows the frame text edit in the phone's screen; the phone is whole.
            auto* mms = static_cast<CSendMMSDlg*>(page);
            std::string novel;
            for (int i = 0; i < 200; ++i) novel += "第" + std::to_string(i) + "行的小说文字。\r\n";
            const std::string file = dir.file("novel.txt");
            testsupport::WriteFile(file, codec::ToGbk(novel));
            mms->LoadContent(mmssend::kNovel, file);
            QApplication::processEvents();
            ASSERT_TRUE(mms->m_editText->isVisible());
            EXPECT_TRUE(page->rect().contains(mms->PhoneRect()));
            const QRect screen(mms->Package().m_nLeft - 10, mms->Package().m_nTop - 10, 148, 220);
            EXPECT_TRUE(mms->PhoneRect().contains(screen));
            EXPECT_TRUE(screen.contains(mms->m_editText->geometry()));
        }
        ExpectFits(page, "page" + std::to_string(n));
    }
    dlg->hide();
    g_bStopThreads = 1;
}

TEST_F(LayoutFixture, EveryDialogFitsItsSize) {
    using Make = std::function<std::unique_ptr<QWidget>()>;
    const std::vector<std::pair<std::string, Make>> dialogs = {
        {"login", [] { return std::make_unique<CLoginDlg>(); }},
        {"balance", [] { return std::make_unique<CBalanceDlg>(1234, 567); }},
        {"password", [] { return std::make_unique<CChangePasswordDlg>(); }},
        {"query", [] { return std::make_unique<CAdvancedQueryDlg>(); }},
        {"notice", [] { return std::make_unique<CNoticeDlg>(); }},
        {"smstext", [] { return std::make_unique<CSMSTextDlg>(); }},
        {"message", [] {
             auto m = std::make_unique<CMessageDlg>();
             m->m_strText = "真的要退出吗？";
             m->m_nType = 1;
             return m;
         }},
        {"cycle", [] { return std::make_unique<CCyclePeriodDlg>(); }},
        {"timed", [] { return std::make_unique<CTimedSendDlg>(); }},
        {"recipients", [] { return std::make_unique<CRecipientInputDlg>(); }},
        {"wappush", [] { return std::make_unique<CWapPushHelpDlg>(); }},
        {"importsource", [] { return std::make_unique<CImportSourceTableDlg>("请选择导入的数据表"); }},
        {"importtable", [] { return std::make_unique<CImportTableDlg>(std::vector<std::string>{"Sheet1", "Sheet2"}); }},
        {"importfields", [] { return std::make_unique<CImportFieldMapDlg>(std::vector<std::string>{"手机", "姓名"}); }},
        {"mmsedit", [] { return std::make_unique<CMMSEditDlg>(); }},
        {"mmsparam", [] { return std::make_unique<CMMSParamDlg>(); }},
        {"groupname", [] { return std::make_unique<CGroupNameDlg>(); }},
        {"mmsrename", [] { return std::make_unique<CMMSRenameDlg>(); }},
        {"importgroup", [] { return std::make_unique<CImportMMSGroupDlg>(); }},
        {"insertmms", [] { return std::make_unique<CInsertMMSDlg>(); }},
        {"exportoption", [] { return std::make_unique<CExportOptionDlg>(); }},
        {"frametext", [] { return std::make_unique<CFrameTextDlg>(); }},
        {"mmstitle", [] { return std::make_unique<CMMSTitleDlg>(); }},
        {"phraseedit", [] { return std::make_unique<CPhraseEditDlg>(); }},
        {"insertphrase", [] { return std::make_unique<CInsertPhraseDlg>(); }},
        {"voice", [] { return std::make_unique<CVoiceRecordDlg>(); }},
        {"linkmanedit", [] { return std::make_unique<CLinkmanEditDlg>(); }},
        {"linkmantype", [] { return std::make_unique<CLinkmanTypeDlg>(); }},
        {"selectlinkman", [] { return std::make_unique<CSelectLinkmanDlg>(); }},
        {"replytype", [] { return std::make_unique<CReplyTypeDlg>(); }},
        {"keywordreply", [] { return std::make_unique<CKeywordReplyItemDlg>(); }},
        {"cyclicreply", [] { return std::make_unique<CCyclicReplyItemDlg>(); }},
        {"replyhelp", [] { return std::make_unique<CAutoReplyHelpDlg>(); }},
        {"replyrecord", [] { return std::make_unique<CAutoReplyRecordDlg>(); }},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        std::unique_ptr<QWidget> w = make();
        w->show();
        QApplication::processEvents();
        ExpectFits(w.get(), name);
        w->hide();
    }
}

// Columns given a width of 0 or below start collapsed, and the user can still widen them.
TEST_F(LayoutFixture, RecordPagesStartWithTheirHiddenColumnsCollapsed) {
    struct Case {
        std::string page;
        std::vector<int> widths;
    };
    CSMSRecordDlg sms;
    CMMSRecordDlg mms;
    const std::vector<std::pair<QWidget*, Case>> cases = {
        {&sms, {"sms", {105, 145, 70, 95, 200, 125, 0, 0, 0, 0, 0, 0, 0}}},
        {&mms, {"mms", {105, 145, 0, 95, 200, 145, 200, 0, 0, 0, 120, 0, 0}}},
    };
    for (const auto& [page, c] : cases) {
        SCOPED_TRACE(c.page);
        auto* list = page->findChild<uikit::CSortListCtrl*>("1011");
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetColumnCount(), int(c.widths.size()));
        for (int i = 0; i < int(c.widths.size()); ++i) EXPECT_EQ(list->GetColumnWidth(i), c.widths[i]) << i;
        list->Header()->resizeSection(12, 150);
        EXPECT_EQ(list->GetColumnWidth(12), 150);
    }
}

// The editor's current page button is held in and ringed like a focused button; the others are not.
TEST_F(LayoutFixture, EditorMarksTheCurrentPageButton) {
    CMMSEditDlg dlg;
    dlg.show();
    QApplication::processEvents();
    const auto ringAt = [&dlg](int page) {
        QPushButton* b = dlg.m_btnPages[page];
        const QImage shot = b->grab().toImage();
        return shot.pixelColor(uikit::kEdge, b->height() / 2);
    };
    const QColor ring(153, 198, 252);
    ASSERT_EQ(dlg.m_nCurPage, 0);
    EXPECT_TRUE(dlg.m_btnPages[0]->isChecked());
    EXPECT_EQ(ringAt(0), ring);
    EXPECT_NE(ringAt(1), ring);
    dlg.m_btnPages[3]->click();
    QApplication::processEvents();
    EXPECT_EQ(dlg.m_nCurPage, 3);
    EXPECT_FALSE(dlg.m_btnPages[0]->isChecked());
    EXPECT_EQ(ringAt(3), ring);
    EXPECT_NE(ringAt(0), ring);
    // A click on the current page's button keeps it marked.
    dlg.m_btnPages[3]->click();
    EXPECT_TRUE(dlg.m_btnPages[3]->isChecked());
}
