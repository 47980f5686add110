#pragma once
// The program's file dialogs behind seam::AskFile.
#include "platform/Seams.h"

#include <QString>

class QFileDialog;

// "文本文件(*.TXT)|*.txt|" (pairs of description and pattern) as a Qt name filter:
// "文本文件(*.TXT) (*.txt)", pairs joined by ";;". The dialog shows the description alone.
QString QtNameFilter(const std::string& filter);

// Qt's own file dialog made for the request: the description of each filter shown once, the
// detail view's columns wide enough for a size and a date, kinds in Chinese.
void SetUpFileDialog(QFileDialog& dlg, const seam::FileDialogRequest& req);

// Runs an open or save dialog for the request; nothing when cancelled. A save dialog asks
// before replacing a file and adds the default extension to a name typed without one.
std::optional<std::string> RunFileDialog(const seam::FileDialogRequest& req);
