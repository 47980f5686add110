#include "core/BalanceDlg.h"

#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "platform/TextCodec.h"

#include <QLabel>

#include <utility>

using codec::ToQ;

CBalanceDlg::CBalanceDlg(int nSms, int nMms, QWidget* parent)
    : CSkinDialog(164, parent), m_nSms(nSms), m_nMms(nMms) {
    setObjectName("164");
    setWindowTitle(ToQ("余额查询"));
    SetDialogSizeDlu(150, 96);
    auto makeRow = [this](const char* label, const char* id, int y) {
        auto* l = new QLabel(ToQ(label), this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        PlaceDlu(l, 14, y, 46, 13);
        auto* e = new CSkinEdit(this);
        e->setObjectName(id);
        e->setReadOnly(true);
        PlaceDlu(e, 64, y, 70, 13);
        return e;
    };
    m_editSms = makeRow("短信条数：", "1062", 28);
    m_editMms = makeRow("彩信条数：", "1063", 48);
    m_btnClose = new CSkinButton(ToQ("关  闭"), this);
    m_btnClose->setObjectName("1");
    m_btnClose->setDefault(true);
    PlaceDlu(m_btnClose, 50, 72, 50, 14);
    connect(m_btnClose, &QPushButton::clicked, this, [this] {
        if (m_bQuerying) OnCancel();
        else OnOK();
    });
    ShowCounts();
}

void CBalanceDlg::ShowCounts() {
    const QString waiting = ToQ("正在查询…");
    m_editSms->setText(m_bQuerying ? waiting : QString::number(m_nSms));
    m_editMms->setText(m_bQuerying ? waiting : QString::number(m_nMms));
    m_btnClose->setText(ToQ(m_bQuerying ? "取  消" : "关  闭"));
}

void CBalanceDlg::BeginQuery() {
    m_bQuerying = true;
    ShowCounts();
    StartOffUi(
        this,
        [] {
            const int s = QuerySmsBalance();
            const int m = QueryMmsBalance();
            return std::make_pair(s, m);
        },
        [this](std::pair<int, int> counts) {
            if (!m_bQuerying) return;  // cancelled meanwhile
            m_bQuerying = false;
            m_nSms = counts.first;
            m_nMms = counts.second;
            ShowCounts();
        });
}

void CBalanceDlg::OnCancel() {
    m_bQuerying = false;
    CSkinDialog::OnCancel();
}

void RunQueryBalance(QWidget* parent, const BalanceExecFn& exec) {
    CBalanceDlg dlg(-1, -1, parent);
    dlg.BeginQuery();
    if (exec)
        exec(dlg);
    else
        dlg.DoModal();
}
