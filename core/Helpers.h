#pragma once
// Program-wide helpers. No widget here: the dialogs behind ShowMessage and the standard box are
// installed through the seams of platform/Seams.h (core/MessageBoxDlg.h).
#include <string>

// The program's message box: type 0 information (one button), 1 question (OK and Cancel);
// 1 only for OK, 0 for every other ending (also its own time-out). Off the UI thread the box is
// shown by the UI thread and 0 is returned at once.
int ShowMessage(const std::string& text, int type = 0);

// printf-style text in the framework's standard message box (exclamation icon).
void MessageBoxFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends one time-stamped line to "RunLog.txt"; safe from any thread.
void WriteRunLog(const std::string& text);

// 1 when the text, trimmed of blanks and tabs, has 3 to 30 characters, all ASCII digits except a
// leading "+"; else 0.
int IsValidMobileNumber(const std::string& text);
// The text when IsValidMobileNumber accepts it, else an empty string.
std::string GetValidNumber(const std::string& text);
// Prefix class of a number: 0 shorter than 3, 1 shorter than 11 or China Mobile ("+" too),
// 2 China Unicom, 3 "106" service numbers, 1 for anything else.
int GetNumberCarrierClass(const std::string& number);

// Every "'" becomes a double quote (at most 10000 of them).
std::string ReplaceQuotes(const std::string& text);
// " " for an empty text, else the text.
std::string BlankIfEmpty(const std::string& text);
std::string GetEmptyString();

// Handles every event waiting for the UI thread; returns 1. Does nothing off the UI thread.
int PumpMessages();

std::string IntToString(int n);
// Local time as "%04d-%02d-%02d %02d:%02d:%02d".
std::string GetNowString();

// Runs the converter "wta" of the program folder and waits for it: direction 1 converts the WAV
// file to AMR ("wav2amr" wav amr "MR102"), any other AMR to WAV ("amr2wav" amr wav "MR102").
void ConvertVoice(const std::string& strWavPath, const std::string& strAmrPath, int nDirection);

// The full text of a long SMS in "SMSText\<id>.txt" (GBK, no terminator). The folder is made
// when missing. False when the file cannot be written.
bool SaveSmsText(int nId, const std::string& strText);
// At most the first 800 bytes of the side file (up to a NUL, never half a character); an empty
// string when the file does not open.
std::string LoadSmsText(int nId);
// The same, telling a missing file (false) apart from an empty one.
bool LoadSmsText(int nId, std::string& strText);
