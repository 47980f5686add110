#pragma once
// Seams for every modal question the program asks, and the road to the UI thread.
// The program installs its real dialogs; a test installs answers.
#include <functional>
#include <optional>
#include <string>

namespace seam {

// The message box: (text, type 0 = information, 1 = question) -> 1 for OK, else 0.
using MessageBoxFn = std::function<int(const std::string& text, int type)>;
// Installs the box and returns the one it replaces.
MessageBoxFn SetMessageBox(MessageBoxFn fn);
// Shows a message. On the UI thread the box runs and its answer is returned; off it the box is
// queued to the UI thread and 0 is returned at once (the caller never waits).
int Message(const std::string& text, int type);

// The framework's standard message box (exclamation icon, one OK button). Off the UI thread it
// is queued like Message and the caller goes on at once.
using StandardBoxFn = std::function<void(const std::string& text)>;
StandardBoxFn SetStandardBox(StandardBoxFn fn);
void StandardMessage(const std::string& text);

// File dialogs: the chosen path, or nothing when cancelled.
struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;      // "电子表格文件(*.XLS)|*.XLS|" style
    std::string defaultExt;  // without the dot
    std::string fileName;    // proposed name
    std::string folder;      // starting folder
};
using FileDialogFn = std::function<std::optional<std::string>(const FileDialogRequest&)>;
FileDialogFn SetFileDialog(FileDialogFn fn);
std::optional<std::string> AskFile(const FileDialogRequest& req);

// Opens a folder in the desktop's file manager (the shell's "open" of a folder). False when no
// opener is installed or it could not start.
using FolderOpenFn = std::function<bool(const std::string& path)>;
FolderOpenFn SetFolderOpener(FolderOpenFn fn);
bool OpenFolder(const std::string& path);

// Runs fn on the UI thread (queued, even when called there); without an application object it
// runs at once.
void PostToUi(std::function<void()> fn);
bool IsUiThread();

// A test's scoped answers: installs the given box for the scope and restores the old one.
class ScopedMessageBox {
public:
    explicit ScopedMessageBox(MessageBoxFn fn) : old_(SetMessageBox(std::move(fn))) {}
    ~ScopedMessageBox() { SetMessageBox(std::move(old_)); }
    ScopedMessageBox(const ScopedMessageBox&) = delete;
    ScopedMessageBox& operator=(const ScopedMessageBox&) = delete;

private:
    MessageBoxFn old_;
};

class ScopedStandardBox {
public:
    explicit ScopedStandardBox(StandardBoxFn fn) : old_(SetStandardBox(std::move(fn))) {}
    ~ScopedStandardBox() { SetStandardBox(std::move(old_)); }
    ScopedStandardBox(const ScopedStandardBox&) = delete;
    ScopedStandardBox& operator=(const ScopedStandardBox&) = delete;

private:
    StandardBoxFn old_;
};

class ScopedFileDialog {
public:
    explicit ScopedFileDialog(FileDialogFn fn) : old_(SetFileDialog(std::move(fn))) {}
    ~ScopedFileDialog() { SetFileDialog(std::move(old_)); }
    ScopedFileDialog(const ScopedFileDialog&) = delete;
    ScopedFileDialog& operator=(const ScopedFileDialog&) = delete;

private:
    FileDialogFn old_;
};

class ScopedFolderOpener {
public:
    explicit ScopedFolderOpener(FolderOpenFn fn) : old_(SetFolderOpener(std::move(fn))) {}
    ~ScopedFolderOpener() { SetFolderOpener(std::move(old_)); }
    ScopedFolderOpener(const ScopedFolderOpener&) = delete;
    ScopedFolderOpener& operator=(const ScopedFolderOpener&) = delete;

private:
    FolderOpenFn old_;
};

}  // namespace seam
