#include "core/MessageBoxDlg.h"

#include "core/Globals.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

int PlainMessageBox(const std::string& text, int type, int timeoutMs) {
    QDialog dlg;
    dlg.setWindowTitle(codec::ToQ(g_strMainTitle));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(codec::ToQ(text), &dlg);
    label->setWordWrap(true);
    label->setObjectName("65535");
    layout->addWidget(label);
    auto* buttons = new QDialogButtonBox(&dlg);
    QPushButton* ok = buttons->addButton(QString::fromUtf8("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("1");
    ok->setDefault(true);
    if (type == 1) buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole)->setObjectName("2");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    QTimer::singleShot(timeoutMs, &dlg, [&dlg] { dlg.done(0); });
    return dlg.exec() == QDialog::Accepted ? 1 : 0;
}

void StandardMessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, codec::ToQ(g_strMainTitle), codec::ToQ(text), QMessageBox::Ok);
    box.exec();
}

void InstallMessageBoxes() {
    seam::SetMessageBox([](const std::string& text, int type) { return PlainMessageBox(text, type); });
    seam::SetStandardBox(StandardMessageBox);
}
