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
    auto makeRow = [this](const char* label, const char* id, int value, int y) {
        auto* l = new QLabel(ToQ(label), this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        PlaceDlu(l, 14, y, 46, 13);
        auto* e = new CSkinEdit(this);
        e->setObjectName(id);
        e->setReadOnly(true);
        e->setText(QString::number(value));
        PlaceDlu(e, 64, y, 70, 13);
        return e;
    };
    m_editSms = makeRow("短信条数：", "1062", m_nSms, 28);
    m_editMms = makeRow("彩信条数：", "1063", m_nMms, 48);
    m_btnClose = new CSkinButton(ToQ("关  闭"), this);
    m_btnClose->setObjectName("1");
    m_btnClose->setDefault(true);
    PlaceDlu(m_btnClose, 50, 72, 50, 14);
    connect(m_btnClose, &QPushButton::clicked, this, [this] { OnOK(); });
}

void RunQueryBalance(QWidget* parent, const BalanceExecFn& exec) {
    const auto [sms, mms] = CallOffUi([] {
        const int s = QuerySmsBalance();
        const int m = QueryMmsBalance();
        return std::make_pair(s, m);
    });
    CBalanceDlg dlg(sms, mms, parent);
    if (exec)
        exec(dlg);
    else
        dlg.DoModal();
}
