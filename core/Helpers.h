#pragma once
// Program-wide helpers.
#include <string>

// The program's message box: type 0 information (one button), 1 question (OK and Cancel);
// 1 only for OK. Runs through the message-box seam.
int ShowMessage(const std::string& text, int type = 0);

// Appends one time-stamped line to "RunLog.txt"; safe from any thread.
void WriteRunLog(const std::string& text);
