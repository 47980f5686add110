#pragma once
// The main window: hosts the twelve pages, runs the login and the first load, and the exit.
#include "compose/MMSPackage.h"
#include "core/LoginDlg.h"

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class CMainTabCtrl;
class QAbstractButton;
class QEventLoop;
class QLabel;
class QSystemTrayIcon;
class CAdoConnection;
class CDibImage;
class CImageButton;

class CSMSServerDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 950;
    static constexpr int kHeight = 540;
    static constexpr int kTrayMessage = 0x65;
    static constexpr int kLButtonDown = 0x201;
    static constexpr int kRButtonDown = 0x204;

    explicit CSMSServerDlg(QWidget* parent = nullptr);
    ~CSMSServerDlg() override;

    // The main window's package object; its work folder is "DBTemp" of the program folder.
    CMMSPackage& Package() { return m_package; }

    // Runs the initialisation and then the window modally: 1 (OK) or 2 (cancelled, also after a
    // cancelled login, when the window is never shown).
    int DoModal();
    // The modal run (QDialog's result codes). Unlike QDialog's it is ended only by done(), not by
    // the window hiding, so hiding to the tray keeps the program running.
    int exec() override;
    void done(int r) override;
    // Initialisation in the order of the original dialog; 0 after a cancelled login.
    int OnInitDialog();

    // Switches to page n (0..11); the one way to change pages.
    void ShowPage(int n);
    void OnTimer(int id);
    // The exit path: question, stop, wait for the workers, save, closing message. While long
    // actions run (CLongAction) an OK asks them to stop and the rest waits until the last has
    // returned.
    void OnCancel();
    // Long actions of the pages; CLongAction keeps the count.
    void EnterLongAction() { ++m_nLongActions; }
    void LeaveLongAction();
    bool LongActionsStopping() const { return m_bStopActions; }
    // The exit buttons (退出 and the close picture).
    bool IsExitButton(const QWidget* w) const;
    void OnHideToTray();
    // Tray notifications: left or right button down restores the window.
    void OnTrayNotify(int lParam);

    // Side-menu buttons.
    void OnMmsGroup();
    void OnSmsGroup();
    void OnSingleItem(int page);

    CMainTabCtrl* TabCtrl() const { return m_tabCtrl; }
    CImageButton* Button(int id) const;
    // The bitmap a page button shows (0: none).
    int ButtonBitmap(int id) const;
    int SideMenuState() const { return m_nSideState; }
    bool IsTrayIconShown() const { return m_bTrayShown; }
    const std::string& TrayTip() const { return m_strTrayTip; }
    bool HasBackground() const;
    // Whether the desktop offers a notification area (tests may set it).
    void SetTrayAvailable(bool available) { m_bTrayAvailable = available; }
    CAdoConnection* Database() const { return m_pDatabase.get(); }
    // How the login dialog runs (none: modally); a test answers it here.
    static void SetLoginExec(LoginExecFn exec);
    // Test-only: called before each load of the first tick with its number (0..6); may throw.
    static void SetLoadProbeForTest(std::function<void(int step)> probe);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    CMMSPackage m_package;
    void CreateButtons();
    void SetPageButtonLook(int page, bool selected);
    void MoveSideButton(int id, int dy);
    void ShowGroup(const int (&ids)[4], bool show);
    void OpenDatabase();
    void CloseDatabase();
    void DestroySteps();
    void WaitForWorkers();
    // The exit after its question (or a termination signal): stop and wait for the workers,
    // save, the closing message when asked for, end every modal run.
    void FinishExit(bool closingMessage);
    // A termination signal: taken over while long actions run, else the event loops end.
    bool OnTermSignal();

    CMainTabCtrl* m_tabCtrl = nullptr;
    std::map<int, CImageButton*> m_buttons;
    std::map<int, int> m_buttonBitmaps;
    QFont m_fontBold;  // the menu buttons' captions
    QLabel* m_static1039 = nullptr;
    QLabel* m_static1022 = nullptr;
    std::unique_ptr<CDibImage> m_dibBack;
    std::unique_ptr<CDibImage> m_dibFrame;
    std::unique_ptr<CAdoConnection> m_pDatabase;
    QSystemTrayIcon* m_tray = nullptr;
    std::string m_strTrayTip;
    bool m_bTrayShown = false;
    bool m_bTrayAvailable = false;
    int m_nSideState = 0;
    bool m_bFirstSwitchDone = false;
    // The first switch's steps: the page host shown, the frame picture changed.
    void FirstSwitch();
    bool m_bDestroyed = false;
    bool m_bExiting = false;
    bool m_bAskingExit = false;   // the exit question is open
    bool m_bTickDeferred = false; // the first tick came while it was open
    bool m_bLoading = false;      // the first tick's loads run
    bool m_bExitPending = false;  // the exit was pressed during them
    bool m_bEnded = false;        // done() ran
    int m_nLongActions = 0;       // long actions running
    bool m_bStopActions = false;  // the exit waits for them to stop
    bool m_bFinishPosted = false; // the exit's rest is on its way
    bool m_bSignalExit = false;   // a termination signal ends the program
    bool m_bSaved = false;        // the exit saved the queues and lists
    std::function<bool()> m_oldSignalHandler;
    bool m_bStarted = false;  // initialisation ended after a good login
    int m_nTimer25 = 0;
    QEventLoop* m_pLoop = nullptr;
    QPoint m_dragOffset;
    bool m_bDragging = false;
};
