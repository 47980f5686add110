#include "core/Helpers.h"

#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/RunLog.h"
#include "platform/Seams.h"
#include "platform/StringFormat.h"
#include "platform/TextCodec.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

int ShowMessage(const std::string& text, int type) { return seam::Message(text, type) == 1 ? 1 : 0; }

void MessageBoxFormat(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    const std::string text = VStringPrintf(format, ap);
    va_end(ap);
    seam::StandardMessage(text);
}

void WriteRunLog(const std::string& text) { runlog::Append(text); }

int IsValidMobileNumber(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    const std::size_t len = e - b;
    if (len < 3 || len > 30) return 0;
    for (std::size_t i = b; i < e; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') continue;
        if (c == '+' && i == b) continue;
        return 0;
    }
    return 1;
}

std::string GetValidNumber(const std::string& text) { return IsValidMobileNumber(text) ? text : std::string(); }

int GetNumberCarrierClass(const std::string& number) {
    const std::size_t len = codec::GbkLength(number);
    if (len < 3) return 0;
    if (len < 11) return 1;
    auto starts = [&](const char* p) { return number.rfind(p, 0) == 0; };
    for (const char* p : {"+", "134", "135", "136", "137", "138", "139", "158", "159"})
        if (starts(p)) return 1;
    for (const char* p : {"130", "131", "132", "133", "153"})
        if (starts(p)) return 2;
    if (starts("106")) return 3;
    return 1;
}

std::string ReplaceQuotes(const std::string& text) {
    std::string r = text;
    std::size_t pos = 0;
    for (int n = 0; n < 10000; ++n) {
        pos = r.find('\'', pos);
        if (pos == std::string::npos) break;
        r[pos] = '"';
    }
    return r;
}

std::string BlankIfEmpty(const std::string& text) { return text.empty() ? std::string(" ") : text; }

std::string GetEmptyString() { return std::string(); }

int PumpMessages() {
    if (QCoreApplication::instance() && seam::IsUiThread()) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return 1;
}

std::string IntToString(int n) { return std::to_string(n); }

std::string GetNowString() { return runlog::NowString(); }

void ConvertVoice(const std::string& strWavPath, const std::string& strAmrPath, int nDirection) {
    const bool cursor = seam::IsUiThread() && qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (cursor) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string wav = paths::ToFsPath(strWavPath);
    const std::string amr = paths::ToFsPath(strAmrPath);
    const std::vector<std::string> args = nDirection == 1
                                              ? std::vector<std::string>{"wav2amr", wav, amr, "MR102"}
                                              : std::vector<std::string>{"amr2wav", amr, wav, "MR102"};
    proc::Run(paths::AppFile("wta"), args);  // its exit code is not looked at
    if (cursor) QGuiApplication::restoreOverrideCursor();
}

namespace {
std::string SmsTextPath(int nId) { return paths::AppFile("SMSText/" + std::to_string(nId) + ".txt"); }
}  // namespace

bool SaveSmsText(int nId, const std::string& strText) {
    paths::MakeDirs(paths::AppFile("SMSText"));
    return files::WriteFileAtomic(SmsTextPath(nId), codec::ToGbk(strText));
}

bool LoadSmsText(int nId, std::string& strText) {
    strText.clear();
    std::FILE* f = std::fopen(SmsTextPath(nId).c_str(), "rb");
    if (!f) return false;
    // One byte more than kept, to see whether the last kept byte starts a two-byte character.
    constexpr std::size_t kMax = 800;
    char buf[kMax + 1];
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    const void* nul = std::memchr(buf, '\0', n);
    const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buf) : n;
    strText = codec::FromGbk(codec::CutGbkBytes(std::string_view(buf, len), kMax));
    return true;
}

std::string LoadSmsText(int nId) {
    std::string text;
    LoadSmsText(nId, text);
    return text;
}
