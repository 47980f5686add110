#include "core/MessageBoxDlg.h"

#include "core/FileDialogBox.h"
#include "core/Globals.h"
#include "platform/Seams.h"
#include "platform/TextCodec.h"
#include "uikit/MessageDlg.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

void StandardMessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, codec::ToQ(g_strMainTitle), codec::ToQ(text), QMessageBox::Ok);
    box.exec();
}

void InstallMessageBoxes() {
    InstallMessageDlg();
    seam::SetStandardBox(StandardMessageBox);
    seam::SetFileDialog(RunFileDialog);
    seam::SetFolderOpener([](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(codec::ToQ(path)));
    });
}
