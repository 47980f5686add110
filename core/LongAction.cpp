#include "core/LongAction.h"

#include "core/PageGlobals.h"
#include "core/SMSServerDlg.h"
#include "platform/Seams.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

namespace {

// The least time between two servings of the pump.
constexpr int kServeMs = 15;

std::function<void(int)>& PumpProbe() {
    static std::function<void(int)> probe;
    return probe;
}

bool IsUserInput(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    default: return false;
    }
}

bool IsModalOrPopup(const QWidget* w) {
    return w->isModal() || w->windowModality() != Qt::NonModal || w->windowType() == Qt::Popup;
}

bool IsEscape(const QEvent* e) {
    const auto* k = static_cast<const QKeyEvent*>(e);
    return k->key() == Qt::Key_Escape && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

class CLongAction::InputFilter : public QObject {
public:
    explicit InputFilter(CLongAction& owner) : m_owner(owner) {}

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (!IsUserInput(e->type())) return false;
        // A window's own delivery reaches its widget next and is judged there; a shortcut by
        // the widget it belongs to.
        const QWidget* w = qobject_cast<QWidget*>(obj);
        if (!w) {
            if (e->type() != QEvent::Shortcut) return false;
            QObject* p = obj->parent();
            while (p && !p->isWidgetType()) p = p->parent();
            if (!p) return true;
            w = static_cast<QWidget*>(p);
        }
        CSMSServerDlg* main = m_owner.m_main;
        if (main && w->window() == main &&
            (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease ||
             e->type() == QEvent::ShortcutOverride) &&
            IsEscape(e)) {
            // Escape on the main window is its exit, whatever control has the focus.
            if (e->type() == QEvent::KeyPress) main->OnCancel();
            return true;
        }
        return !m_owner.LetsThrough(w);
    }

private:
    CLongAction& m_owner;
};

CLongAction::CLongAction() : m_main(g_pMainDlg) {
    if (m_main) m_main->EnterLongAction();
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) && seam::IsUiThread()) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && IsModalOrPopup(w)) m_openAtStart.emplace_back(w);
        m_filter = std::make_unique<InputFilter>(*this);
        QCoreApplication::instance()->installEventFilter(m_filter.get());
    }
}

CLongAction::~CLongAction() {
    if (m_filter) QCoreApplication::instance()->removeEventFilter(m_filter.get());
    if (m_main) m_main->LeaveLongAction();
}

void CLongAction::SetPumpProbeForTest(std::function<void(int)> probe) { PumpProbe() = std::move(probe); }

bool CLongAction::StopRequested() const { return m_main && m_main->LongActionsStopping(); }

bool CLongAction::LetsThrough(const QWidget* target) const {
    const QWidget* win = target->window();
    if (m_main && win == m_main.data()) {
        for (const QWidget* w = target; w && w != win; w = w->parentWidget())
            if (m_main->IsExitButton(w)) return true;
        return false;
    }
    if (!IsModalOrPopup(win)) return false;
    return std::none_of(m_openAtStart.begin(), m_openAtStart.end(),
                        [win](const QPointer<QWidget>& w) { return w.data() == win; });
}

void CLongAction::PumpWaiting() {
    m_lastServed.invalidate();
    Pump();
}

void CLongAction::Pump() {
    if (!QCoreApplication::instance() || !seam::IsUiThread()) return;
    // A copy: the probe may end its own installation.
    const std::function<void(int)> probe = PumpProbe();
    if (probe) probe(++m_nPumps);
    else if (m_lastServed.isValid() && m_lastServed.elapsed() < kServeMs) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_lastServed.start();
}
