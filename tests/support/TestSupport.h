#pragma once
// Helpers shared by the test programs.
#include "platform/AppPath.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <clocale>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Points g_strAppPath at a fresh temporary program folder for the life of the object.
class TempAppDir {
public:
    TempAppDir() : old_(g_strAppPath) { g_strAppPath = dir_.path().toStdString(); }
    ~TempAppDir() { g_strAppPath = old_; }
    std::string path() const { return dir_.path().toStdString(); }
    std::string file(const std::string& rel) const { return path() + "/" + rel; }

private:
    QTemporaryDir dir_;
    std::string old_;
};

// Waits, processing UI events, until cond holds or the deadline passes; returns cond().
inline bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return cond();
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The C library's locale (every category) set to name for the life of the object, put back after;
// ok() is false when the locale is not installed (scripts/install-deps.sh generates the ones the
// tests use).
class ScopedLocale {
public:
    explicit ScopedLocale(const char* name) : old_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, old_.c_str()); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;
    bool ok() const { return ok_; }

private:
    std::string old_;
    bool ok_ = false;
};

// The locales the conversions are tried under: "C" and the UTF-8 ones a user may run in, one of
// them with a comma as its decimal point.
inline const char* const kTestLocales[] = {"C", "en_US.UTF-8", "zh_CN.UTF-8", "de_DE.UTF-8"};
// Runs body under each of them that is installed, the locale set; the names of the others.
inline std::vector<std::string> UnderEachTestLocale(const std::function<void(const char* name)>& body) {
    std::vector<std::string> missing;
    for (const char* name : kTestLocales) {
        ScopedLocale locale(name);
        if (locale.ok()) body(name);
        else missing.push_back(name);
    }
    return missing;
}

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

// How many wait cursors the application's override stack holds now (0: none is shown).
int WaitCursorDepth();

}  // namespace testsupport
