#pragma once
// The program's message boxes: the skinned CMessageDlg behind ShowMessage, and the standard box.
#include <string>

// The standard box with the exclamation icon and one OK button.
void StandardMessageBox(const std::string& text);

// Installs both boxes as the program's message seams, the file dialogs and the folder opener.
void InstallMessageBoxes();
