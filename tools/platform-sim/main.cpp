// platform-sim: the service-platform simulator as a program on a loopback port.
//   platform-sim [port] [--host H] [--ecode E --user U --password P] [--sms N] [--mms N]
//                [--files DIR] [--notice TEXT] [--port-file FILE] [--state FILE]
// Runs until SIGINT, SIGTERM or SIGHUP. With --state the account's passwords survive a restart:
// read from FILE at start when it exists, written back ("password=", "mmspassword=") at the end.
#include "tools/platform-sim/PlatformSim.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <string>

namespace {

// "password=" and "mmspassword=" lines of a state file.
void ReadState(const std::string& file, platformsim::Account& acc) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("password=", 0) == 0) acc.password = line.substr(9);
        else if (line.rfind("mmspassword=", 0) == 0) acc.mmsPassword = line.substr(12);
    }
}

// Written beside the file and renamed over it, readable by its owner only.
bool WriteState(const std::string& file, const platformsim::Account& acc) {
    const std::string text = "password=" + acc.password + "\nmmspassword=" + acc.mmsPassword + "\n";
    const std::string tmp = file + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    return ok && std::rename(tmp.c_str(), file.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string host = "127.0.0.1", files, notice, portFile, stateFile;
    platformsim::Account acc{"1001", "admin", "123456", {}, 10000, 1000};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "platform-sim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--port") port = std::atoi(next().c_str());
        else if (a == "--host") host = next();
        else if (a == "--ecode") acc.ecode = next();
        else if (a == "--user") acc.user = next();
        else if (a == "--password") acc.password = next();
        else if (a == "--sms") acc.smsBalance = std::atoi(next().c_str());
        else if (a == "--mms") acc.mmsBalance = std::atoi(next().c_str());
        else if (a == "--files") files = next();
        else if (a == "--notice") notice = next();
        else if (a == "--port-file") portFile = next();
        else if (a == "--state") stateFile = next();
        else if (!a.empty() && a[0] != '-') port = std::atoi(a.c_str());
        else {
            std::fprintf(stderr, "platform-sim: unknown option %s\n", a.c_str());
            return 2;
        }
    }

    // Signals are taken by sigwait below, never by the server threads.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    if (!stateFile.empty()) ReadState(stateFile, acc);
    platformsim::PlatformSim sim;
    sim.AddAccount(acc);
    sim.SetNotice(notice);
    if (!files.empty() && !sim.ServeFiles(files)) std::fprintf(stderr, "platform-sim: cannot serve %s\n", files.c_str());
    if (!sim.Start(port, host)) {
        std::fprintf(stderr, "platform-sim: cannot listen on %s:%d\n", host.c_str(), port);
        return 1;
    }
    if (!portFile.empty()) std::ofstream(portFile) << sim.Port() << "\n";
    std::printf("platform-sim listening on %s\n", sim.HostPort().c_str());
    std::printf("account: enterprise code %s, user %s, password %s\n", acc.ecode.c_str(), acc.user.c_str(),
                acc.password.c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&set, &sig);
    sim.Stop();
    if (!stateFile.empty()) {
        const auto now = sim.GetAccount(acc.ecode, acc.user);
        if (now && !WriteState(stateFile, *now)) {
            std::fprintf(stderr, "platform-sim: cannot write %s\n", stateFile.c_str());
            return 1;
        }
    }
    return 0;
}
