#pragma once
// The program's file dialogs behind seam::AskFile.
#include "platform/Seams.h"

#include <QString>

// "文本文件(*.TXT)|*.txt|" (pairs of description and pattern) as a Qt name filter:
// "文本文件(*.TXT) (*.txt)", pairs joined by ";;".
QString QtNameFilter(const std::string& filter);

// Runs an open or save dialog for the request; nothing when cancelled. A save dialog asks
// before replacing a file and adds the default extension to a name typed without one.
std::optional<std::string> RunFileDialog(const seam::FileDialogRequest& req);
