#pragma once
// A long action of a page (resend, import, export...) held for its whole handler, its own last
// messages included. While one runs the main window's exit asks its question at once and, on OK,
// asks the action to stop; the rest of the exit (save, closing message) waits until the last
// action has returned. The guard shows the wait cursor and offers the action its one pump.
#include "uikit/WaitCursor.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class CSMSServerDlg;
class QWidget;

class CLongAction {
public:
    CLongAction();
    ~CLongAction();
    CLongAction(const CLongAction&) = delete;
    CLongAction& operator=(const CLongAction&) = delete;

    // The action's progress pump: serves waiting events (at most every few milliseconds), but
    // user input only where it aims at the main window's exit (退出, its close box, Escape) or at
    // a modal or popup window opened since the action began. So no other action starts from here.
    void Pump();
    // The same while the action waits for a helper thread (the wait paces it): serves every time.
    void PumpWaiting();
    // The exit was confirmed (or a termination signal came): stop at the next row boundary.
    bool StopRequested() const;

    // Test-only: called at every Pump with its running number (1, 2, ...); every Pump then
    // serves events.
    static void SetPumpProbeForTest(std::function<void(int pump)> probe);

private:
    class InputFilter;
    // Whether user input aimed at the widget gets through while the action runs.
    bool LetsThrough(const QWidget* target) const;
    WaitCursor m_wait;
    QPointer<CSMSServerDlg> m_main;
    std::vector<QPointer<QWidget>> m_openAtStart;  // modal and popup windows already shown
    std::unique_ptr<InputFilter> m_filter;
    QElapsedTimer m_lastServed;
    int m_nPumps = 0;
};
