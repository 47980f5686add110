#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace proc {
namespace {

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int Run(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv = Argv(program, args);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return WaitFor(pid);
}

int RunBounded(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
    std::vector<char*> argv = Argv(program, args);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // A pidfd wakes the wait when the child ends; poll bounds it.
    const int pfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) {
            if (pfd >= 0) ::close(pfd);
            return -1;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            WaitFor(pid);
            if (pfd >= 0) ::close(pfd);
            return -1;
        }
        pollfd p{pfd, POLLIN, 0};
        if (pfd >= 0) ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        else ::usleep(10000);  // no pidfd: look again shortly
    }
    if (pfd >= 0) ::close(pfd);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Start(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv = Argv(program, args);
    // An intermediate child spawns the program and ends, so the program is reaped by init.
    // The pipe carries the spawn result back (only async-signal-safe calls after fork).
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    const pid_t mid = ::fork();
    if (mid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (mid == 0) {
        ::close(fds[0]);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execve(program.c_str(), argv.data(), environ);
            const char fail = 1;
            (void)!::write(fds[1], &fail, 1);
            ::_exit(127);
        }
        ::_exit(pid < 0 ? 1 : 0);
    }
    ::close(fds[1]);
    const bool midOk = WaitFor(mid) == 0;
    char fail = 0;
    ssize_t n;
    do n = ::read(fds[0], &fail, 1);
    while (n < 0 && errno == EINTR);
    ::close(fds[0]);
    return midOk && n == 0;  // end of file: the exec succeeded and closed the pipe
}

}  // namespace proc
