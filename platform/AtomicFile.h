#pragma once
// Whole-file rewrites that a crash cannot half-do, and appends of fixed-size records.
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace files {

// Streams a new content into a temporary file beside the target; Commit() flushes it to disk
// and renames it over the target. Destroyed without Commit(), the target is left untouched.
class AtomicFileWriter {
public:
    // mode: permission bits of a new file (an existing file keeps its own).
    explicit AtomicFileWriter(std::string path, unsigned mode = 0644);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    bool Write(const void* data, std::size_t len);
    bool Write(std::string_view s) { return Write(s.data(), s.size()); }
    bool Commit();

private:
    bool FlushBuffer();
    std::string path_, tmp_;
    int fd_ = -1;
    bool failed_ = false;
    std::string buf_;
};

// Steps of a Commit, each reported after it is done: the content flushed to disk (fsync),
// then the rename over the target. For tests; no observer by default.
enum class CommitStep { Synced, Renamed };
using CommitObserver = void (*)(CommitStep step, const std::string& target);
void SetCommitObserver(CommitObserver observer);

// Writes data as the whole new content of path, atomically.
bool WriteFileAtomic(const std::string& path, std::string_view data, unsigned mode = 0644);

// Reads the whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& out);

// Reads len bytes of an open file into buf, at offset (or, when offset is negative, at the
// file's position, which moves on), until they are all read or the file ends; got is how many
// were read. False on a read error (got then holds what was read before it).
bool ReadFull(int fd, void* buf, std::size_t len, std::size_t& got, long long offset = -1);

// Writes len bytes to an open file, on through short writes and interruptions; false on a
// write error.
bool WriteAll(int fd, const char* p, std::size_t len);

// Puts the content of a file on the disk (fdatasync); false when it cannot be opened or synced.
bool SyncFileData(const std::string& path);
// Puts the folder entry of a new or renamed file on the disk (fsync of its folder).
void SyncParentDir(const std::string& path);

// Appends count records of recordSize bytes to a log of fixed-size records. A torn tail (a size
// that is not a whole number of records) is first copied to path + ".bad" and cut off, so the
// new records stay aligned. The append is done when the write returns (no flush to disk).
bool AppendRecords(const std::string& path, std::size_t recordSize, const void* data,
                   std::size_t count);

// Cuts a torn tail off a record log as AppendRecords does; true when the file is whole now.
bool RepairTornTail(const std::string& path, std::size_t recordSize);

// One mutex per file and kind of use, whatever spelling of the path a caller uses.
// Removes, below folder, the temporary files of atomic writes that never finished: names
// "<name>.tmp<pid>-<n>" whose writing process no longer runs. Returns how many went.
std::size_t RemoveStaleTemps(const std::string& folder);

enum class PathLock { Log, Profile };
std::mutex& PathMutex(const std::string& path, PathLock kind);

// Rewrites a record log without the records for which drop(index, record) holds, in one step
// that no append can come between (it holds the appenders' lock, PathMutex kind Log). The file
// is streamed, so its size costs no memory; a torn tail stays as it is. Returns how many records
// went (nothing is written when none did; a missing file has none), or -1 when the file cannot be
// read or written, and it is then as it was.
long long DropRecords(const std::string& path, std::size_t recordSize,
                      const std::function<bool(std::size_t index, const char* record)>& drop);

}  // namespace files
