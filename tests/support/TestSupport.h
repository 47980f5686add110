#pragma once
// Helpers shared by the test programs.
#include "platform/AppPath.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

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

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

// How many wait cursors the application's override stack holds now (0: none is shown).
int WaitCursorDepth();

}  // namespace testsupport
