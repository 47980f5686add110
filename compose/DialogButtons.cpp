#include "compose/DialogButtons.h"

#include "uikit/SkinButton.h"
#include "uikit/SkinDialog.h"

#include <QLabel>

void AddOkCancelButtons(CSkinDialog* dlg, CSkinButton*& ok, CSkinButton*& cancel, int xOk, int xCancel, int y) {
    ok = new CSkinButton(QString::fromUtf8("确定"), dlg);
    ok->setObjectName("1");
    ok->setDefault(true);
    CSkinDialog::PlaceDlu(ok, xOk, y, 46, 14);
    cancel = new CSkinButton(QString::fromUtf8("取消"), dlg);
    cancel->setObjectName("2");
    CSkinDialog::PlaceDlu(cancel, xCancel, y, 46, 14);
    QObject::connect(ok, &QPushButton::clicked, dlg, [dlg] { dlg->OnOK(); });
    QObject::connect(cancel, &QPushButton::clicked, dlg, [dlg] { dlg->OnCancel(); });
}

QLabel* AddDlgLabel(CSkinDialog* dlg, const char* text, int x, int y, int cx) {
    auto* label = new QLabel(QString::fromUtf8(text), dlg);
    CSkinDialog::PlaceDlu(label, x, y, cx, 12);
    return label;
}

CSkinButton* MakeButton(QWidget* parent, int id, const char* text, const QRect& r) {
    auto* b = new CSkinButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::number(id));
    b->setGeometry(r);
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, int id, const char* text, const QRect& r) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    if (id) l->setObjectName(QString::number(id));
    l->setGeometry(r);
    return l;
}
