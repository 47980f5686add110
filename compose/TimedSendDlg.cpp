#include "compose/TimedSendDlg.h"

#include "compose/CyclePeriodDlg.h"
#include "compose/DialogButtons.h"
#include "platform/Clock.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"

#include <QDateEdit>
#include <QLabel>
#include <QPainter>
#include <QTimeEdit>

using codec::ToQ;

namespace {
// A one-pixel outline laid over a picker.
class FrameMark : public QWidget {
public:
    explicit FrameMark(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QColor(140, 170, 230));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};
}  // namespace

CTimedSendDlg::CTimedSendDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置定时消息的发送时间！"));
    SetDialogSizeDlu(180, 104);
    auto* l1 = new QLabel(ToQ("发送日期："), this);
    l1->setObjectName("1085");
    PlaceDlu(l1, 20, 30, 44, 12);
    m_dateSend = new QDateEdit(this);
    m_dateSend->setObjectName("1148");
    m_dateSend->setDisplayFormat("yyyy-M-d");
    m_dateSend->setCalendarPopup(true);
    PlaceDlu(m_dateSend, 66, 28, 90, 14);
    auto* l2 = new QLabel(ToQ("发送时间："), this);
    l2->setObjectName("1086");
    PlaceDlu(l2, 20, 52, 44, 12);
    m_timeSend = new QTimeEdit(this);
    m_timeSend->setObjectName("1149");
    m_timeSend->setDisplayFormat("H:mm:ss");
    PlaceDlu(m_timeSend, 66, 50, 90, 14);
    for (int i = 0; i < 4; ++i) {
        m_frames[i] = new FrameMark(this);
        m_frames[i]->setObjectName(QString::number(1114 + i));
    }
    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 40, 96, 78);

    // The same time tomorrow, and now.
    const clk::LocalTime now = clk::Now();
    m_dateSend->setDate(QDate(now.year, now.month, now.day).addDays(1));
    m_timeSend->setTime(QTime(now.hour, now.minute, now.second));
}

bool CTimedSendDlg::OnInitDialog() {
    CSkinDialog::OnInitDialog();
    // On the outline and one pixel inside each picker.
    const QWidget* pickers[2] = {m_dateSend, m_timeSend};
    for (int i = 0; i < 2; ++i) {
        const QRect r = pickers[i]->geometry();
        m_frames[2 * i]->setGeometry(r);
        m_frames[2 * i + 1]->setGeometry(r.adjusted(1, 1, -1, -1));
        m_frames[2 * i]->raise();
        m_frames[2 * i + 1]->raise();
    }
    return true;
}

void CTimedSendDlg::OnOK() {
    const QDate d = m_dateSend->date();
    const QTime t = m_timeSend->time();
    m_strSendTime = StringPrintf("%4d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(),
                                   t.minute(), t.second());
    CSkinDialog::OnOK();
}

bool AskSchedule(QWidget* parent, bool cyclic, std::string& schedule) {
    if (cyclic) {
        CCyclePeriodDlg dlg(parent);
        if (dlg.DoModal() != IDOK) return false;
        schedule = dlg.m_strPeriod;
    } else {
        CTimedSendDlg dlg(parent);
        if (dlg.DoModal() != IDOK) return false;
        schedule = dlg.m_strSendTime;
    }
    return true;
}
