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
FolderOpenFn g_folderOpener;

// Puts fn in a seam's slot and returns the one it held.
template <class Fn>
Fn Exchange(Fn& slot, Fn fn) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::swap(slot, fn);
    return fn;
}

// A copy of a seam's slot, so it is called without the lock held.
template <class Fn>
Fn Current(const Fn& slot) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return slot;
}
}  // namespace

MessageBoxFn SetMessageBox(MessageBoxFn fn) { return Exchange(g_box, std::move(fn)); }

static int RunBox(const std::string& text, int type) {
    const MessageBoxFn box = Current(g_box);
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

StandardBoxFn SetStandardBox(StandardBoxFn fn) { return Exchange(g_standardBox, std::move(fn)); }

static void RunStandardBox(const std::string& text) {
    const StandardBoxFn box = Current(g_standardBox);
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

FileDialogFn SetFileDialog(FileDialogFn fn) { return Exchange(g_fileDialog, std::move(fn)); }

FolderOpenFn SetFolderOpener(FolderOpenFn fn) { return Exchange(g_folderOpener, std::move(fn)); }

bool OpenFolder(const std::string& path) {
    const FolderOpenFn fn = Current(g_folderOpener);
    return fn ? fn(path) : false;
}

std::optional<std::string> AskFile(const FileDialogRequest& req) {
    const FileDialogFn fn = Current(g_fileDialog);
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
