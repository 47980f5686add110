#include "core/BalanceDlg.h"

#include "core/OffUiCall.h"
#include "core/PlatformClient.h"
#include "platform/TextCodec.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

using codec::ToQ;

CBalanceDlg::CBalanceDlg(int nSms, int nMms, QWidget* parent) : QDialog(parent), m_nSms(nSms), m_nMms(nMms) {
    setObjectName("164");
    setWindowTitle(ToQ("余额查询"));
    m_editSms = new QLineEdit(QString::number(m_nSms), this);
    m_editSms->setObjectName("1062");
    m_editSms->setReadOnly(true);
    m_editMms = new QLineEdit(QString::number(m_nMms), this);
    m_editMms->setObjectName("1063");
    m_editMms->setReadOnly(true);
    m_btnClose = new QPushButton(ToQ("关  闭"), this);
    m_btnClose->setObjectName("1");
    m_btnClose->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(ToQ("短信条数："), m_editSms);
    form->addRow(ToQ("彩信条数："), m_editMms);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnClose);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addLayout(buttons);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::accept);
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
        dlg.exec();
}
