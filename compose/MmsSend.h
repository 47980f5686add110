#pragma once
// The send-MMS page's logic without widgets: the content kinds and their loader rules, the
// picture box of "MMSParam.dat", the library copy and package names, and the recipient loop of
// the commit.
#include <functional>
#include <string>
#include <vector>

namespace mmssend {

// Content kinds of the radio group.
enum { kSlides = 0, kRingtone, kVoice, kNovel, kPhoto, kApp, kVideo, kMp3, kKindCount };

// The frame field a kind's file goes into.
enum class Field { Sound, Text, Image, App, Video };

// One loader: the open dialog, the refusals, frame 0 and the labels of a file kind.
struct ContentKind {
    const char* button;        // text of button 1052
    const char* title;         // open dialog title
    const char* ext;           // default extension
    const char* filter;
    const char* emptyRefusal;  // size 0 refused with this text, or null
    const char* bigRefusal;    // over kMaxBytes refused with this text, or null
    Field field;
    int playSeconds;           // frame 0's play seconds (ringtone and voice: computed)
    const char* secondsLabel;  // fixed seconds label (ringtone and voice: computed)
    const char* packageFile;   // in the program folder
    const char* note;          // shown after the load, or null
};

constexpr long long kMaxBytes = 100000;

// The kind's row (kSlides has only its button text).
const ContentKind& Kind(int type);

// The refusal of a chosen file of the kind, or an empty text. A GIF photo goes into the package
// unscaled, so it has the upload's limit.
std::string Refusal(int type, const std::string& path, long long size);

// A title from a chosen file: its name less the last four characters, cut to 30 GBK bytes.
std::string TitleFromFile(const std::string& path);
// A title from a package: its file name without extension, cut to 30 GBK bytes.
std::string TitleFromPackage(const std::string& path);

// Ringtone length in milliseconds: a ".mid" file's MIDI length, else 20000.
long long RingtoneLengthMs(const std::string& path);

// Reads "MMSParam.dat" (file-system path) into the picture box and the flag; a missing or short
// file, or a size outside 60 to 400, keeps 140 x 200.
void ReadImageParams(const std::string& fsPath);

// The stored form of a file of the program folder: program folder, "\", the name.
std::string AppStored(const std::string& rel);
// A path made stored: after the program folder every "/" becomes "\".
std::string ToStored(const std::string& path);

// The package name of a stored content path: parent folder, "\", file name less four
// characters. False when the last backslash is at index 0 or missing.
bool PackageNameOf(const std::string& stored, std::string& name);
// The content path is a package of the MMS library.
bool IsLibraryPackage(const std::string& stored);
// A title fit for a file name: "\", "/" and control characters become "_".
std::string SafeName(const std::string& title);
// "%04d%02d%02d%02d%02d%02d" of the platform clock.
std::string TimeStamp();

// The numbers of a commit. Immediate: write(id, prefixed number) per accepted entry; scheduled:
// one write(first + accepted, numbers joined by blanks) at the end. progress(k) every 30
// entries. A number that does not fit the row's number field is refused.
struct QueueResult {
    int accepted = 0;
    std::string refused;  // each refused entry followed by "、"
};
QueueResult QueueRecipients(const std::vector<std::string>& entries, const std::string& prefix, int first,
                            bool scheduled, const std::function<void(int, std::string)>& write,
                            const std::function<void(int)>& progress);
// The closing message of a commit.
std::string ResultMessage(const QueueResult& r);

}  // namespace mmssend
