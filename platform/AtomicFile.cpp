#include "platform/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {
namespace {

constexpr std::size_t kBufSize = 1 << 20;

}  // namespace

bool WriteAll(int fd, const char* p, std::size_t len) {
    while (len > 0) {
        const ssize_t n = ::write(fd, p, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

void SyncParentDir(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

bool SyncFileData(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool good = ::fdatasync(fd) == 0;
    return (::close(fd) == 0) && good;
}

namespace {

std::string TempNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

// The pid of a temporary name made by TempNameFor, or 0 when the name is not one.
pid_t TempOwner(const std::string& name) {
    const auto tmp = name.rfind(".tmp");
    if (tmp == std::string::npos || tmp == 0) return 0;
    const std::string rest = name.substr(tmp + 4);
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size() || dash > 9) return 0;
    for (std::size_t i = 0; i < rest.size(); ++i)
        if (i != dash && (rest[i] < '0' || rest[i] > '9')) return 0;
    return static_cast<pid_t>(std::stol(rest.substr(0, dash)));
}

std::atomic<CommitObserver> g_commitObserver{nullptr};

void Report(CommitStep step, const std::string& target) {
    if (const CommitObserver o = g_commitObserver.load()) o(step, target);
}

// fsync of a temporary about to be renamed over target.
bool SyncToDisk(int fd, const std::string& target) {
    if (::fsync(fd) != 0) return false;
    Report(CommitStep::Synced, target);
    return true;
}

}  // namespace

void SetCommitObserver(CommitObserver observer) { g_commitObserver = observer; }

std::size_t RemoveStaleTemps(const std::string& folder) {
    namespace fs = std::filesystem;
    std::size_t removed = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        const pid_t owner = TempOwner(it->path().filename().string());
        if (owner <= 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;  // its writer still runs
        if (fs::remove(it->path(), ec)) ++removed;
        ec.clear();
    }
    return removed;
}

AtomicFileWriter::AtomicFileWriter(std::string path, unsigned mode)
    : path_(std::move(path)), tmp_(TempNameFor(path_)) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) mode = st.st_mode & 07777;
    fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd_ >= 0) ::fchmod(fd_, mode);
    buf_.reserve(kBufSize);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(tmp_.c_str());
    }
}

bool AtomicFileWriter::FlushBuffer() {
    if (!buf_.empty()) {
        if (!WriteAll(fd_, buf_.data(), buf_.size())) failed_ = true;
        buf_.clear();
    }
    return !failed_;
}

bool AtomicFileWriter::Write(const void* data, std::size_t len) {
    if (!ok()) return false;
    const char* p = static_cast<const char*>(data);
    if (len >= kBufSize) {
        if (!FlushBuffer()) return false;
        if (!WriteAll(fd_, p, len)) failed_ = true;
        return !failed_;
    }
    if (buf_.size() + len > kBufSize && !FlushBuffer()) return false;
    buf_.append(p, len);
    return true;
}

bool AtomicFileWriter::Commit() {
    if (!ok()) return false;
    bool good = FlushBuffer() && SyncToDisk(fd_, path_);
    good = (::close(fd_) == 0) && good;
    fd_ = -1;
    if (good) good = ::rename(tmp_.c_str(), path_.c_str()) == 0;
    if (!good) {
        ::unlink(tmp_.c_str());
        return false;
    }
    Report(CommitStep::Renamed, path_);
    SyncParentDir(path_);
    return true;
}

bool WriteFileAtomic(const std::string& path, std::string_view data, unsigned mode) {
    AtomicFileWriter w(path, mode);
    return w.Write(data) && w.Commit();
}

bool ReadFull(int fd, void* buf, std::size_t len, std::size_t& got, long long offset) {
    char* p = static_cast<char*>(buf);
    got = 0;
    while (got < len) {
        const ssize_t r = offset < 0 ? ::read(fd, p + got, len - got)
                                     : ::pread(fd, p + got, len - got, static_cast<off_t>(offset + got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    bool good = true;
    for (;;) {
        if (out.capacity() > out.size()) {
            // Read straight into the string when its size is known.
            const std::size_t old = out.size();
            const std::size_t room = out.capacity() - old;
            out.resize(out.capacity());
            const ssize_t n = ::read(fd, out.data() + old, room);
            if (n < 0 && errno == EINTR) { out.resize(old); continue; }
            if (n <= 0) { out.resize(old); good = n == 0; break; }
            out.resize(old + static_cast<std::size_t>(n));
            continue;
        }
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) { good = n == 0; break; }
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return good;
}

std::mutex& PathMutex(const std::string& path, PathLock kind) {
    static std::mutex mapMutex;
    static std::map<std::pair<int, std::string>, std::unique_ptr<std::mutex>> mutexes;
    std::error_code ec;
    std::string key = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec) key = path;
    std::lock_guard<std::mutex> lock(mapMutex);
    auto& m = mutexes[{static_cast<int>(kind), key}];
    if (!m) m = std::make_unique<std::mutex>();
    return *m;
}

namespace {
// Cuts the torn tail of an open log; keeps the torn bytes in path + ".bad".
bool CutTornTail(int fd, const std::string& path, std::size_t recordSize) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    const auto size = static_cast<std::size_t>(st.st_size);
    const std::size_t whole = size - size % recordSize;
    if (whole == size) return true;
    std::string torn(size - whole, '\0');
    if (::pread(fd, torn.data(), torn.size(), static_cast<off_t>(whole)) ==
        static_cast<ssize_t>(torn.size()))
        WriteFileAtomic(path + ".bad", torn);
    return ::ftruncate(fd, static_cast<off_t>(whole)) == 0;
}
}  // namespace

bool AppendRecords(const std::string& path, std::size_t recordSize, const void* data,
                   std::size_t count) {
    if (recordSize == 0) return false;
    // One lock per log: a torn-tail check must never see another thread's append half-written.
    std::lock_guard<std::mutex> lock(PathMutex(path, PathLock::Log));
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool good = CutTornTail(fd, path, recordSize);
    if (good) good = WriteAll(fd, static_cast<const char*>(data), recordSize * count);
    good = (::close(fd) == 0) && good;
    return good;
}

bool RepairTornTail(const std::string& path, std::size_t recordSize) {
    if (recordSize == 0) return false;
    std::lock_guard<std::mutex> lock(PathMutex(path, PathLock::Log));
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool good = CutTornTail(fd, path, recordSize);
    ::close(fd);
    return good;
}

long long DropRecords(const std::string& path, std::size_t recordSize,
                      const std::function<bool(std::size_t index, const char* record)>& drop) {
    if (recordSize == 0) return -1;
    std::lock_guard<std::mutex> lock(PathMutex(path, PathLock::Log));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    AtomicFileWriter out(path);
    std::vector<char> buf(std::max<std::size_t>(1, (1u << 20) / recordSize) * recordSize);
    std::size_t have = 0, index = 0;
    long long dropped = 0;
    bool good = out.ok();
    while (good) {
        const ssize_t n = ::read(fd, buf.data() + have, buf.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            good = false;
            break;
        }
        have += static_cast<std::size_t>(n);
        const std::size_t whole = have / recordSize * recordSize;
        for (std::size_t off = 0; off < whole && good; off += recordSize, ++index) {
            if (drop(index, buf.data() + off))
                ++dropped;
            else
                good = out.Write(buf.data() + off, recordSize);
        }
        std::memmove(buf.data(), buf.data() + whole, have - whole);
        have -= whole;
        if (n == 0) {
            if (have > 0 && good) good = out.Write(buf.data(), have);  // the torn tail
            break;
        }
    }
    ::close(fd);
    if (!good) return -1;
    if (dropped == 0) return 0;  // the temporary file goes with the writer
    return out.Commit() ? dropped : -1;
}

}  // namespace files
