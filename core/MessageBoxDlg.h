#pragma once
// The plain Qt boxes behind ShowMessage and the standard message box, until the skinned box
// takes over the seam.
#include <string>

// type 0: information with "确定"; 1: question with "确定" and "取消". Closes itself after
// timeoutMs. 1 when ended with OK, else 0.
int PlainMessageBox(const std::string& text, int type, int timeoutMs = 60000);

// The standard box with the exclamation icon and one OK button.
void StandardMessageBox(const std::string& text);

// Installs both boxes as the program's message seams.
void InstallMessageBoxes();
