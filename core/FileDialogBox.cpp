#include "core/FileDialogBox.h"

#include "platform/TextCodec.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

QString QtNameFilter(const std::string& filter) {
    const QStringList parts = codec::ToQ(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << parts[i] + " (" + patterns + ")";
    }
    return filters.join(";;");
}

std::optional<std::string> RunFileDialog(const seam::FileDialogRequest& req) {
    QFileDialog dlg(nullptr, codec::ToQ(req.title), codec::ToQ(req.folder));
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString filters = QtNameFilter(req.filter);
    if (!filters.isEmpty()) dlg.setNameFilter(filters);
    if (!req.defaultExt.empty()) dlg.setDefaultSuffix(codec::ToQ(req.defaultExt));
    if (!req.fileName.empty()) dlg.selectFile(codec::ToQ(req.fileName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    return codec::FromQ(dlg.selectedFiles().first());
}
