#include "platform/Seams.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <cstdio>
#include <mutex>

namespace seam {
namespace {
std::mutex g_mutex;
MessageBoxFn g_box;
StandardBoxFn g_standardBox;
FileDialogFn g_fileDialog;
}  // namespace

MessageBoxFn SetMessageBox(MessageBoxFn fn) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::swap(g_box, fn);
    return fn;
}

static int RunBox(const std::string& text, int type) {
    MessageBoxFn box;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        box = g_box;
    }
    if (!box) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 0;
    }
    return box(text, type);
}

int Message(const std::string& text, int type) {
    if (IsUiThread()) return RunBox(text, type);
    PostToUi([text, type] { RunBox(text, type); });
    return 0;
}

StandardBoxFn SetStandardBox(StandardBoxFn fn) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::swap(g_standardBox, fn);
    return fn;
}

static void RunStandardBox(const std::string& text) {
    StandardBoxFn box;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        box = g_standardBox;
    }
    if (!box) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    box(text);
}

void StandardMessage(const std::string& text) {
    if (IsUiThread()) {
        RunStandardBox(text);
        return;
    }
    PostToUi([text] { RunStandardBox(text); });
}

FileDialogFn SetFileDialog(FileDialogFn fn) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::swap(g_fileDialog, fn);
    return fn;
}

std::optional<std::string> AskFile(const FileDialogRequest& req) {
    FileDialogFn fn;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        fn = g_fileDialog;
    }
    if (!fn) return std::nullopt;
    return fn(req);
}

void PostToUi(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

bool IsUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

}  // namespace seam
