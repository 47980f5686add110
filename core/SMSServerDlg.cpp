#include "core/SMSServerDlg.h"

#include "compose/MMSSinkDlg.h"
#include "compose/PhraseLibDlg.h"
#include "contacts/AdoConnection.h"
#include "contacts/AutoReplyDlg.h"
#include "core/BalanceDlg.h"
#include "core/ChangePasswordDlg.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/LoginDlg.h"
#include "core/MMSRecordDlg.h"
#include "core/MainTabCtrl.h"
#include "core/PageGlobals.h"
#include "core/SMSRecordDlg.h"
#include "core/SMSSendingListDlg.h"
#include "core/SendingListDlg.h"
#include "core/WelComeDlg.h"
#include "core/WorkerEngine.h"
#include "platform/AppPath.h"
#include "platform/TermSignals.h"
#include "platform/TextCodec.h"
#include "uikit/DibImage.h"
#include "uikit/ImageButton.h"
#include "uikit/Resources.h"
#include "uikit/WaitCursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kTimer25Ms = 500;
// Longest wait for the workers at exit: one request's time-out.
constexpr int kWorkerStopMs = 60000;

const QColor kNormalText(0, 120, 133);
const QColor kSelectedText(254, 6, 6);
const QColor kTransparent(0, 255, 0);  // shows the window behind the button bitmaps

// Buttons of the pages, by page index.
constexpr int kPageButtons[12] = {1004, 1055, 1053, 1007, 1008, 1009,
                                  1010, 1011, 1012, 1013, 1054, 1051};
constexpr int kMmsGroup[4] = {1007, 1009, 1010, 1011};
constexpr int kSmsGroup[4] = {1008, 1055, 1053, 1054};

// Side column: left edge, item size, and the top of button 1009.
constexpr int kSideLeft = 13;
constexpr int kSideWidth = 180;
constexpr int kSideHeight = 40;
constexpr int kSideTop = 234;

const char* const kWorkFolders[] = {
    "RecvMsg", "MMSSvr", "LinkmanBook", "MakeTemp", "SendTemp", "GMSFiles", "RecvGMS",
    "RecvMsg", "MsgLogTemp", "DBTemp", "MMSSink", "NetTmpPath", "MMSSink\\接收彩信",
    "MMSSink\\文件彩信", "MMSSink\\二次开发彩信", "MMSSvr", "TextSink", "AutoReTemp",
    "MMSListTemp", "SMSText"};

LoginExecFn& LoginExec() {
    static LoginExecFn exec;
    return exec;
}

std::function<void(int)>& LoadProbe() {
    static std::function<void(int)> probe;
    return probe;
}

bool PageHasBitmap(int page) { return (page >= 1 && page <= 7) || page == 10; }

// A picture of the program folder; empty when it is missing or unreadable.
std::unique_ptr<CDibImage> LoadProgramPicture(const char* name) {
    auto dib = std::make_unique<CDibImage>();
    dib->Load(paths::AppFile(name));
    return dib;
}

// What the exit saves: both pending pages' queues and the auto-reply lists.
void SaveQueuesAndLists() {
    if (g_pSendingListDlg) g_pSendingListDlg->SaveQueues();
    if (g_pSMSSendingListDlg) g_pSMSSendingListDlg->SaveQueues();
    if (g_pAutoReplyDlg) g_pAutoReplyDlg->SaveLists();
}

}  // namespace

CSMSServerDlg::CSMSServerDlg(QWidget* parent)
    : QDialog(parent), m_dibBack(std::make_unique<CDibImage>()), m_dibFrame(std::make_unique<CDibImage>()) {
    setObjectName("102");
    m_package.m_strWorkFolder = paths::AppFile("DBTemp");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(235, 243, 246));
    setPalette(pal);
    m_fontBold = font();
    m_fontBold.setPixelSize(14);
    m_fontBold.setWeight(QFont::Bold);
    m_bTrayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_oldSignalHandler = termsignals::SetHandler([this] { return OnTermSignal(); });
}

CSMSServerDlg::~CSMSServerDlg() {
    termsignals::SetHandler(std::move(m_oldSignalHandler));
    DestroySteps();
    if (g_pMainDlg == this) g_pMainDlg = nullptr;
}

CImageButton* CSMSServerDlg::Button(int id) const {
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

int CSMSServerDlg::ButtonBitmap(int id) const {
    auto it = m_buttonBitmaps.find(id);
    return it == m_buttonBitmaps.end() ? 0 : it->second;
}

bool CSMSServerDlg::HasBackground() const { return m_dibBack->IsLoaded(); }

void CSMSServerDlg::SetLoginExec(LoginExecFn exec) { LoginExec() = std::move(exec); }

void CSMSServerDlg::SetLoadProbeForTest(std::function<void(int)> probe) { LoadProbe() = std::move(probe); }

int CSMSServerDlg::DoModal() {
    if (!OnInitDialog()) return 2;
    return exec() == QDialog::Accepted ? 1 : 2;
}

int CSMSServerDlg::exec() {
    if (m_pLoop) return QDialog::Rejected;  // already running
    if (m_bEnded) return result();           // the exit ran before the loop (an early press)
    setResult(QDialog::Rejected);
    show();
    QEventLoop loop;
    m_pLoop = &loop;
    loop.exec(QEventLoop::DialogExec);  // also left when the application quits
    m_pLoop = nullptr;
    return result();
}

void CSMSServerDlg::done(int r) {
    QDialog::done(r);
    m_bEnded = true;
    if (m_pLoop) m_pLoop->exit();
}

int CSMSServerDlg::OnInitDialog() {
    // 1. Icons; the global window pointer.
    setWindowIcon(QIcon(QPixmap::fromImage(uikit::res::Icon(128))));
    g_pMainDlg = this;
    // 2. Working folders (failures, such as no drive, are ignored).
    for (const char* folder : kWorkFolders) paths::MakeDirs(paths::AppFile(folder));
    paths::MakeDirs(paths::ToFsPath("D:\\彩信记录备份"));
    // 3. Splash text.
    g_dlgWelcome.m_strText = "正在启动彩信软件……";
    // 4. Buttons; 5. pages.
    CreateButtons();
    m_tabCtrl = new CMainTabCtrl(this);
    m_tabCtrl->setGeometry(212, 132, 730, 376);
    m_tabCtrl->hide();
    m_tabCtrl->CreatePages();
    // 6. Centre; static 1022.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_static1022->show();
    // 7. Title and background.
    g_strMainTitle = "星帆";
    m_dibBack = LoadProgramPicture("MMSP1.bmp");
    // 8. Send-list database (not reported here when it cannot be opened).
    OpenDatabase();
    // 9-11. Login settings and the login.
    g_nSmsMaxLength = 250;
    if (!RunLogin(this, LoginExec())) {
        g_pMainDlg = this;  // still this window until it goes
        return 0;
    }
    // 12. Splash.
    g_dlgWelcome.Create(this);
    PumpMessages();
    // 13. Timer 25; title; foreground.
    m_nTimer25 = startTimer(kTimer25Ms);
    setWindowTitle(QString::fromStdString(g_strMainTitle));
    raise();
    activateWindow();
    m_bStarted = true;
    return 1;
}

void CSMSServerDlg::CreateButtons() {
    auto make = [this](int id, const char* caption, QRect r, int bitmap) {
        auto* b = new CImageButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::number(id));
        b->setGeometry(r);
        b->setFont(m_fontBold);
        b->SetBitmaps(bitmap, kTransparent, 0, kTransparent, false);
        m_buttonBitmaps[id] = bitmap;
        b->SetBtnCursor(uikit::res::kHandCursorId, false);
        b->SetDrawBorder(false, false);
        b->SetTransparent(true, false);
        b->setFocusPolicy(Qt::NoFocus);
        m_buttons[id] = b;
        return b;
    };
    const int T = kSideTop;
    auto side = [&](int id, const char* caption, int dy, int bitmap = 601) {
        return make(id, caption, QRect(kSideLeft, T + dy, kSideWidth, kSideHeight), bitmap);
    };
    // Banner row.
    const int bannerY = 84;
    make(1004, "首  页", QRect(462, bannerY, 92, 30), 604);
    make(1012, "名片管理", QRect(556, bannerY, 92, 30), 604);
    make(1061, "查询余额", QRect(650, bannerY, 92, 30), 604);
    make(1066, "修改密码", QRect(744, bannerY, 92, 30), 604);
    make(1067, "退  出", QRect(838, bannerY, 92, 30), 604);
    CImageButton* hide = make(1000, "", QRect(890, 8, 24, 24), 605);
    hide->SetTooltipText("隐藏程序窗口。\n点击桌面右下角可重新显示窗口。");
    make(1001, "", QRect(918, 8, 24, 24), 606);
    // Side column: group heads, the two groups, the single items.
    side(1052, "彩信管理", -104, 603);
    side(1007, "发送彩信", -52);
    side(1009, "待发列表", 0);
    side(1010, "收发记录", 52);
    side(1011, "素材仓库", 104);
    side(1050, "短信管理", -52, 603);
    side(1008, "发送短信", 0);
    side(1055, "待发列表", 52);
    side(1053, "收发记录", 104);
    side(1054, "常见短语", 156);
    side(1013, "自动回复", 0);
    side(1051, "号码查询", 52);
    for (int id : {1052, 1050})
        for (int i : {CImageButton::BTNST_COLOR_FG_IN, CImageButton::BTNST_COLOR_FG_OUT})
            m_buttons[id]->SetColor(i, Qt::white, false);
    ShowGroup(kMmsGroup, false);
    ShowGroup(kSmsGroup, false);

    m_static1039 = new QLabel("软件启动中，请稍候！", this);
    m_static1039->setObjectName("1039");
    m_static1039->setGeometry(212, 300, 730, 30);
    m_static1039->setAlignment(Qt::AlignCenter);
    m_static1039->setFont(m_fontBold);
    m_static1022 = new QLabel(this);
    m_static1022->setObjectName("1022");
    m_static1022->setGeometry(14, 514, 180, 22);
    m_static1022->hide();

    for (int page = 0; page < 12; ++page) SetPageButtonLook(page, false);
    SetPageButtonLook(g_nCurrentPage = 0, true);

    for (int page = 0; page < 12; ++page) {
        const int id = kPageButtons[page];
        if (id == 1012 || id == 1013 || id == 1051)
            connect(m_buttons[id], &QAbstractButton::clicked, this, [this, page] { OnSingleItem(page); });
        else
            connect(m_buttons[id], &QAbstractButton::clicked, this, [this, page] { ShowPage(page); });
    }
    connect(m_buttons[1052], &QAbstractButton::clicked, this, &CSMSServerDlg::OnMmsGroup);
    connect(m_buttons[1050], &QAbstractButton::clicked, this, &CSMSServerDlg::OnSmsGroup);
    connect(m_buttons[1061], &QAbstractButton::clicked, this, [this] { RunQueryBalance(this); });
    connect(m_buttons[1066], &QAbstractButton::clicked, this, [this] { RunChangePassword(this); });
    connect(m_buttons[1000], &QAbstractButton::clicked, this, &CSMSServerDlg::OnHideToTray);
    for (int id : {1001, 1067})
        connect(m_buttons[id], &QAbstractButton::clicked, this, &CSMSServerDlg::OnCancel);
}

void CSMSServerDlg::SetPageButtonLook(int page, bool selected) {
    const int id = kPageButtons[page];
    CImageButton* b = m_buttons[id];
    if (!b) return;
    const QColor text = selected ? kSelectedText : kNormalText;
    b->SetColor(CImageButton::BTNST_COLOR_FG_IN, text, false);
    b->SetColor(CImageButton::BTNST_COLOR_FG_OUT, text, false);
    if (PageHasBitmap(page)) {
        const int bitmap = selected ? 602 : 601;
        b->SetBitmaps(bitmap, kTransparent, 0, kTransparent, false);
        m_buttonBitmaps[id] = bitmap;
    }
    b->update();
}

void CSMSServerDlg::ShowPage(int n) {
    // 0..11: the number-location page (11) is reached through its button as well.
    if (n == g_nCurrentPage || n < 0 || n >= CMainTabCtrl::kPageCount || !m_tabCtrl) return;
    SetPageButtonLook(g_nCurrentPage, false);
    SetPageButtonLook(n, true);
    if (QWidget* cur = m_tabCtrl->Page(g_nCurrentPage)) cur->hide();
    if (QWidget* next = m_tabCtrl->Page(n)) {
        next->show();
        next->raise();
        next->activateWindow();
    }
    g_nCurrentPage = n;
    FirstSwitch();
}

void CSMSServerDlg::FirstSwitch() {
    if (m_bFirstSwitchDone || !m_tabCtrl) return;
    m_bFirstSwitchDone = true;
    if (QWidget* cur = m_tabCtrl->Page(g_nCurrentPage)) cur->show();
    m_tabCtrl->show();
    m_dibFrame = LoadProgramPicture("MMSP1-a.bmp");
    update();
}

void CSMSServerDlg::MoveSideButton(int id, int dy) {
    // Placed at button 1009's left edge, with its size, dy below its top.
    const QRect ref = m_buttons[1009]->geometry();
    if (CImageButton* b = m_buttons[id]) b->setGeometry(ref.left(), ref.top() + dy, ref.width(), ref.height());
}

void CSMSServerDlg::ShowGroup(const int (&ids)[4], bool show) {
    for (int id : ids)
        if (CImageButton* b = m_buttons[id]) b->setVisible(show);
}

void CSMSServerDlg::OnMmsGroup() {
    if (m_nSideState == 1) return;
    ShowGroup(kMmsGroup, true);
    ShowGroup(kSmsGroup, false);
    MoveSideButton(1050, 156);
    MoveSideButton(1013, 208);
    MoveSideButton(1051, 260);
    m_nSideState = 1;
}

void CSMSServerDlg::OnSmsGroup() {
    if (m_nSideState == 2) return;
    ShowGroup(kMmsGroup, false);
    ShowGroup(kSmsGroup, true);
    MoveSideButton(1050, -52);
    MoveSideButton(1013, 208);
    MoveSideButton(1051, 260);
    m_nSideState = 2;
}

void CSMSServerDlg::OnSingleItem(int page) {
    ShowPage(page);
    if (m_nSideState == 0) return;
    ShowGroup(kMmsGroup, false);
    ShowGroup(kSmsGroup, false);
    MoveSideButton(1050, -52);
    MoveSideButton(1013, 0);
    MoveSideButton(1051, 52);
    m_nSideState = 0;
}

void CSMSServerDlg::timerEvent(QTimerEvent* e) {
    if (m_nTimer25 && e->timerId() == m_nTimer25)
        OnTimer(25);
    else
        QDialog::timerEvent(e);
}

void CSMSServerDlg::OnTimer(int id) {
    if (id != 25) return;
    if (m_nTimer25) killTimer(m_nTimer25);
    m_nTimer25 = 0;
    if (m_bExiting) return;  // nothing is loaded or started once the exit has begun
    if (m_bAskingExit) {
        // Nothing loads or starts under the exit question; a Cancel brings the tick back.
        m_bTickDeferred = true;
        return;
    }
    m_bLoading = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A failing load skips the rest: the threads then do not start and the splash stays.
    const std::function<void()> loads[] = {
        [] { g_pMMSRecordDlg->ResetView(); },
        [] { g_pSMSRecordDlg->ResetView(); },
        [] { g_pSendingListDlg->LoadQueues(); },
        [] { g_pSMSSendingListDlg->LoadQueues(); },
        [] { g_pAutoReplyDlg->LoadSettings(); },
        [] { g_pMMSSinkDlg->FillGroupTree(); },
        [] { g_pPhraseLibDlg->LoadPhraseTypes(); },
    };
    try {
        int step = 0;
        for (const auto& load : loads) {
            if (LoadProbe()) LoadProbe()(step);
            ++step;
            load();
        }
        StartMsgThreads(0);
        QApplication::restoreOverrideCursor();
        g_dlgWelcome.DestroyWindow();
        // The loads are done: the page area leaves the start-up text for the current page.
        FirstSwitch();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        WriteRunLog("CSMSServerDlg::OnTimer Error");
    }
    m_bLoading = false;
    if (m_bExitPending) {
        m_bExitPending = false;
        QTimer::singleShot(0, this, [this] { OnCancel(); });
    }
}

void CSMSServerDlg::WaitForWorkers() {
    // Keep painting while the workers finish their request (one request's time-out at most).
    QElapsedTimer t;
    t.start();
    while (worker::RunningThreads() > 0 && t.elapsed() < kWorkerStopMs) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(5);
    }
    worker::StopMsgThreads(1000);
}

void CSMSServerDlg::OnCancel() {
    if (m_bExiting || m_bAskingExit) return;
    if (m_bLoading) {
        // Pressed while the first load runs: asked as soon as it ends, never over half-loaded
        // queues.
        m_bExitPending = true;
        return;
    }
    m_bAskingExit = true;
    // Asked at once also while an action runs; its wait cursor gives way to the arrow.
    const bool overAction = m_nLongActions > 0;
    if (overAction) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool confirmed = ShowMessage("真的要退出吗？", 1) == 1;
    if (overAction) QApplication::restoreOverrideCursor();
    m_bAskingExit = false;
    if (m_bExiting) return;  // a termination signal took the exit over meanwhile
    if (!confirmed) {
        if (m_bTickDeferred) {
            m_bTickDeferred = false;
            m_nTimer25 = startTimer(0);
        }
        return;
    }
    m_bTickDeferred = false;
    m_bExiting = true;
    g_bStopThreads = 1;
    if (m_nTimer25) killTimer(m_nTimer25);  // exit before the first tick: nothing starts
    m_nTimer25 = 0;
    if (m_nLongActions > 0) {
        // The actions stop at their next row boundary; the rest runs once the last returned.
        m_bStopActions = true;
        return;
    }
    FinishExit(true);
}

void CSMSServerDlg::LeaveLongAction() {
    if (m_nLongActions > 0) --m_nLongActions;
    if (m_nLongActions > 0 || !m_bStopActions || m_bFinishPosted) return;
    m_bFinishPosted = true;
    // From the event loop, never from inside the handler that held the action.
    QTimer::singleShot(0, this, [this] { FinishExit(!m_bSignalExit); });
}

bool CSMSServerDlg::OnTermSignal() {
    if (m_bFinishPosted) {
        m_bSignalExit = true;  // the exit's rest is on its way; a signal waits for no message
        return true;
    }
    if (m_nLongActions == 0) return false;  // the loops end; the destruction saves
    if (m_bSignalExit) return true;
    // No question (a signal cannot wait for an answer) and no closing message: the actions
    // stop at a row boundary, then the exit saves and ends.
    m_bSignalExit = true;
    m_bExiting = true;
    m_bStopActions = true;
    g_bStopThreads = 1;
    if (m_nTimer25) killTimer(m_nTimer25);
    m_nTimer25 = 0;
    if (m_bAskingExit)
        if (auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget()); question && question != this)
            question->done(QDialog::Rejected);
    return true;
}

void CSMSServerDlg::FinishExit(bool closingMessage) {
    // Posted events still run (no user input: nothing starts now).
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    {
        WaitCursor wait;
        WaitForWorkers();
        SaveQueuesAndLists();
        m_bSaved = true;
    }
    if (closingMessage) ShowMessage("系统数据已经保存完毕，现在可以安全退出彩信软件！\r\n\r\n谢谢使用！", 0);
    CloseDatabase();
    // A modal run still open around the last action (a dialog of a page) ends too.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d != this && d->isVisible() && d->isModal())
            d->done(QDialog::Rejected);
    done(QDialog::Rejected);
}

bool CSMSServerDlg::IsExitButton(const QWidget* w) const {
    for (int id : {1001, 1067})
        if (w == Button(id)) return true;
    return false;
}

void CSMSServerDlg::reject() { OnCancel(); }

void CSMSServerDlg::closeEvent(QCloseEvent* e) {
    // Closing from outside takes the exit path; only its end (done) lets the window go.
    e->ignore();
    if (!m_bExiting) OnCancel();
}

void CSMSServerDlg::keyPressEvent(QKeyEvent* e) {
    // Enter does nothing (it would end the window without saving); Escape is the exit path.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

void CSMSServerDlg::DestroySteps() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    g_bStopThreads = 1;
    // Ended without the exit path's save (signal, quit): the workers reach the pages, which go with
    // this window, so they are waited for first; then the queues and lists are saved as the exit
    // path would, unless a worker is still inside a request (its batch could be both logged and
    // saved as pending).
    const bool stopped = worker::RunningThreads() == 0 || worker::StopMsgThreads(kWorkerStopMs);
    if (!m_bSaved && stopped) SaveQueuesAndLists();
    if (g_pMMSRecordDlg) g_pMMSRecordDlg->ApplyDeliveryReports();
    if (m_tray) m_tray->hide();
    CloseDatabase();
}

void CSMSServerDlg::OpenDatabase() {
    CloseDatabase();
    m_pDatabase = std::make_unique<CAdoConnection>();
    const std::string conn = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + g_strAppPath +
                             "\\Smsdb.mdb;User ID=;Password=;";
    m_pDatabase->Open(conn);
}

void CSMSServerDlg::CloseDatabase() {
    if (m_pDatabase) m_pDatabase->Close();  // harmless when closed already
}

void CSMSServerDlg::OnHideToTray() {
    if (!m_bTrayAvailable) {
        // No notification area on this desktop: minimise rather than hide beyond reach.
        showMinimized();
        return;
    }
    m_strTrayTip = codec::CutGbkBytes("显示" + g_strMainTitle, 63);
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(windowIcon(), this);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::Context) OnTrayNotify(kLButtonDown);
        });
    }
    m_tray->setToolTip(QString::fromStdString(m_strTrayTip));
    m_tray->show();
    m_bTrayShown = true;
    hide();
}

void CSMSServerDlg::OnTrayNotify(int lParam) {
    // Before the initialisation ended (a second start during the login) there is nothing to show.
    if (!m_bStarted || (lParam != kLButtonDown && lParam != kRButtonDown)) return;
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    if (m_tray) m_tray->hide();
    m_bTrayShown = false;
}

void CSMSServerDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (isMinimized()) {
        const QIcon icon = windowIcon();
        const QSize s(32, 32);
        icon.paint(&p, QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s));
        return;
    }
    // One rectangle of the update region at a time. Once the page host covers the page area the
    // region has several rectangles; under such a clip the raster engine splits a large picture
    // draw over its pool of helper threads, while a rectangular clip is a plain copy on this thread.
    for (const QRect& r : e->region()) {
        p.setClipRect(r);
        if (m_dibBack->IsLoaded()) m_dibBack->Draw(p, 0, 0, 0, 0, 0, 0, 0, 0);
        if (m_bFirstSwitchDone && m_dibFrame->IsLoaded()) m_dibFrame->Draw(p, 210, 130, 734, 380, 0, 0, 0, 0);
    }
}

void CSMSServerDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        m_bDragging = true;
        m_dragOffset = e->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(e);
}

void CSMSServerDlg::mouseMoveEvent(QMouseEvent* e) {
    if (m_bDragging && (e->buttons() & Qt::LeftButton)) move(e->globalPosition().toPoint() - m_dragOffset);
    QDialog::mouseMoveEvent(e);
}

void CSMSServerDlg::mouseReleaseEvent(QMouseEvent* e) {
    m_bDragging = false;
    QDialog::mouseReleaseEvent(e);
}
