#include "core/WelComeDlg.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

CWelComeDlg g_dlgWelcome;

CWelComeDlg::CWelComeDlg() = default;

// The window belongs to its parent; without one it would outlive the application object.
CWelComeDlg::~CWelComeDlg() = default;

void CWelComeDlg::Create(QWidget* parent) {
    DestroyWindow();
    auto* dlg = new QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint);
    dlg->setObjectName("409");
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    // Never the active window: a question asked meanwhile is not made its child, which would go
    // with it when the first load ends.
    dlg->setAttribute(Qt::WA_ShowWithoutActivating);
    dlg->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    dlg->setFixedSize(360, 96);
    QPalette pal = dlg->palette();
    pal.setColor(QPalette::Window, QColor(235, 243, 246));
    dlg->setPalette(pal);
    dlg->setStyleSheet("QDialog { border: 2px solid rgb(0,120,133); }");
    auto* text = new QLabel(QString::fromStdString(StaticText()), dlg);
    text->setObjectName("1269");
    text->setGeometry(70, 30, 270, 36);
    QFont f = text->font();
    f.setPixelSize(15);
    text->setFont(f);
    auto* image = new QPushButton(dlg);
    image->setObjectName("1299");
    image->setGeometry(20, 30, 36, 36);
    image->setIcon(QIcon(":/ico/128.png"));
    image->setIconSize(QSize(32, 32));
    image->setFlat(true);
    image->setFocusPolicy(Qt::NoFocus);
    if (parent) dlg->move(parent->geometry().center() - dlg->rect().center());
    m_wnd = dlg;
    dlg->show();
}

void CWelComeDlg::DestroyWindow() {
    if (m_wnd) delete m_wnd.data();
    m_wnd = nullptr;
}

std::string CWelComeDlg::StaticText() const { return m_strText2.empty() ? m_strText : m_strText2; }
