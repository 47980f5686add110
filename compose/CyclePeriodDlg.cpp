#include "compose/CyclePeriodDlg.h"

#include "compose/DialogButtons.h"
#include "platform/TextCodec.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

using codec::FromQ;
using codec::ToQ;

namespace {
CFlatComboBox* MakeList(QWidget* parent, int id, const QStringList& items, int selected) {
    auto* c = new CFlatComboBox(parent);
    c->setObjectName(QString::number(id));
    c->addItems(items);
    c->setCurrentIndex(selected);
    return c;
}
}  // namespace

CCyclePeriodDlg::CCyclePeriodDlg(QWidget* parent) : CSkinDialog(IDD, parent) {
    setObjectName(QString::number(IDD));
    setWindowTitle(ToQ("设置循环发送任务的周期和时间"));
    SetDialogSizeDlu(220, 118);

    auto* lp = new QLabel(ToQ("循环周期："), this);
    PlaceDlu(lp, 14, 28, 42, 12);
    const char* names[4] = {"每年", "每月", "每周", "每日"};
    const int ids[4] = {1258, 1257, 1256, 1255};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_radio[i] = new QRadioButton(ToQ(names[i]), this);
        m_radio[i]->setObjectName(QString::number(ids[i]));
        PlaceDlu(m_radio[i], 58 + i * 38, 28, 36, 12);
        group->addButton(m_radio[i], i);
    }
    m_radio[0]->setChecked(true);
    // The radio that becomes checked, by click, key or code, picks the lists.
    connect(m_radio[0], &QRadioButton::toggled, this, [this](bool on) { if (on) OnYearly(); });
    connect(m_radio[1], &QRadioButton::toggled, this, [this](bool on) { if (on) OnMonthly(); });
    connect(m_radio[2], &QRadioButton::toggled, this, [this](bool on) { if (on) OnWeekly(); });
    connect(m_radio[3], &QRadioButton::toggled, this, [this](bool on) { if (on) OnDaily(); });

    QStringList months, days, hours, minutes;
    for (int i = 1; i <= 12; ++i) months << QString::number(i) + ToQ("月");
    for (int i = 1; i <= 31; ++i) days << QString::number(i) + ToQ("日");
    for (int i = 0; i <= 23; ++i) hours << QString::number(i);
    for (int i = 0; i <= 55; i += 5) minutes << QString::number(i);
    const QStringList weekdays = {ToQ("星期一"), ToQ("星期二"), ToQ("星期三"), ToQ("星期四"),
                                  ToQ("星期五"), ToQ("星期六"), ToQ("星期日")};
    m_cmbMonth = MakeList(this, 1246, months, 0);
    m_cmbDay = MakeList(this, 1352, days, 0);
    m_cmbWeek = MakeList(this, 1254, weekdays, 0);
    m_cmbHour = MakeList(this, 1248, hours, 9);
    m_cmbMinute = MakeList(this, 1249, minutes, 0);
    PlaceDlu(m_cmbMonth, 58, 48, 48, 14);
    PlaceDlu(m_cmbDay, 112, 48, 48, 14);
    PlaceDlu(m_cmbWeek, 58, 48, 60, 14);

    auto* lt = new QLabel(ToQ("发送时间："), this);
    PlaceDlu(lt, 14, 70, 42, 12);
    PlaceDlu(m_cmbHour, 58, 68, 40, 14);
    auto* lh = new QLabel(ToQ("时"), this);
    PlaceDlu(lh, 100, 70, 10, 12);
    PlaceDlu(m_cmbMinute, 112, 68, 40, 14);
    auto* lm = new QLabel(ToQ("分"), this);
    PlaceDlu(lm, 154, 70, 10, 12);

    AddOkCancelButtons(this, m_btnOK, m_btnCancel, 56, 118, 94);
    ShowPeriodLists();
}

void CCyclePeriodDlg::ShowPeriodLists() {
    m_cmbMonth->setVisible(m_nPeriod == 0);
    m_cmbDay->setVisible(m_nPeriod == 0 || m_nPeriod == 1);
    m_cmbWeek->setVisible(m_nPeriod == 2);
    // A monthly day list stands where the month list stood.
    PlaceDlu(m_cmbDay, m_nPeriod == 1 ? 58 : 112, 48, 48, 14);
}

void CCyclePeriodDlg::OnYearly() {
    m_nPeriod = 0;
    ShowPeriodLists();
}
void CCyclePeriodDlg::OnMonthly() {
    m_nPeriod = 1;
    ShowPeriodLists();
}
void CCyclePeriodDlg::OnWeekly() {
    m_nPeriod = 2;
    ShowPeriodLists();
}
void CCyclePeriodDlg::OnDaily() {
    m_nPeriod = 3;
    ShowPeriodLists();
}

void CCyclePeriodDlg::OnOK() {
    for (int i = 0; i < 4; ++i)
        if (m_radio[i]->isChecked()) m_nPeriod = i;
    const std::string month = FromQ(m_cmbMonth->currentText());
    const std::string week = FromQ(m_cmbWeek->currentText());
    const std::string day = FromQ(m_cmbDay->currentText());
    const std::string hm = FromQ(m_cmbHour->currentText()) + "时" + FromQ(m_cmbMinute->currentText()) + "分";
    switch (m_nPeriod) {
        case 0: m_strPeriod = "[每年]" + month + day + hm; break;
        case 1: m_strPeriod = "[每月]" + day + hm; break;
        case 2: m_strPeriod = "[每周]" + week + hm; break;
        default: m_strPeriod = "[每日]" + hm; break;
    }
    CSkinDialog::OnOK();
}
