#include "uikit/MessageDlg.h"

#include "platform/Clock.h"
#include "uikit/Resources.h"
#include "uikit/SysColors.h"

#include <QApplication>
#include <QDate>
#include <QPixmap>

namespace {
// Seconds of the set clock, when a test set one.
std::optional<std::int64_t> ClockSeconds() {
    if (!clk::IsFixed()) return std::nullopt;
    const clk::LocalTime t = clk::Now();
    return QDate(t.year, t.month, t.day).toJulianDay() * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}
constexpr int kTickMs = 250;
}  // namespace

CMessageDlg::CMessageDlg(QWidget* parent)
    : CSkinDialog(145, parent),
      m_btnOK(QStringLiteral("确定"), this),
      m_btnCancel(QStringLiteral("取消"), this),
      m_edtMessage(this),
      m_staticLine(this),
      m_staticIcon(this) {
    SetDialogSizeDlu(187, 132);
    m_btnOK.setObjectName("1");
    m_btnCancel.setObjectName("2");
    m_edtMessage.setObjectName("1123");
    PlaceDlu(&m_btnOK, 66, 107, 50, 14);
    PlaceDlu(&m_btnCancel, 134, 107, 50, 14);
    m_btnCancel.hide();
    m_btnOK.setDefault(true);
    const QImage line = uikit::res::Bitmap(226), icon = uikit::res::Bitmap(227);
    m_staticLine.setPixmap(QPixmap::fromImage(line));
    m_staticLine.setGeometry(uikit::DluToPx(8), uikit::DluToPx(30), line.isNull() ? 258 : line.width(),
                             line.isNull() ? 8 : line.height());
    m_staticIcon.setPixmap(QPixmap::fromImage(icon));
    m_staticIcon.setGeometry(uikit::DluToPx(8), uikit::DluToPx(38), icon.isNull() ? 23 : icon.width(),
                             icon.isNull() ? 20 : icon.height());
    PlaceDlu(&m_edtMessage, 28, 38, 149, 63);
    setTabOrder(&m_btnOK, &m_btnCancel);
    connect(&m_btnOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(&m_btnCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CMessageDlg::OnTimer);
}

CMessageDlg::~CMessageDlg() { m_timer.stop(); }

bool CMessageDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    m_edtMessage.SetText(m_strText);
    if (m_nType == 1) {
        m_btnOK.setGeometry(51, 158, 75, 19);
        m_btnCancel.show();
        m_btnCancel.setGeometry(158, 158, 75, 19);
    } else {
        PlaceDlu(&m_btnOK, 66, 107, 50, 14);
        m_btnCancel.hide();
    }
    setWindowTitle(QStringLiteral("消息提示！"));
    m_btnOK.setFocus();
    m_startSteadyMs = clk::SteadyMs();
    m_startClock = ClockSeconds();
    m_timer.start();
    return true;
}

void CMessageDlg::OnTimer() {
    std::int64_t elapsed = (clk::SteadyMs() - m_startSteadyMs) / 1000;
    if (m_startClock) {
        if (const auto now = ClockSeconds()) elapsed = *now - *m_startClock;
    }
    if (elapsed < kTimeoutSeconds) return;
    m_timer.stop();
    OnCancel();
}

void CMessageDlg::OnDestroy() {
    m_timer.stop();
    CSkinDialog::OnDestroy();
    m_nType = 0;
}

seam::MessageBoxFn InstallMessageDlg() {
    return seam::SetMessageBox([](const std::string& text, int type) {
        CMessageDlg dlg(QApplication::activeWindow());
        dlg.m_strText = QString::fromStdString(text);
        dlg.m_nType = type;
        return dlg.DoModal() == IDOK ? 1 : 0;
    });
}
