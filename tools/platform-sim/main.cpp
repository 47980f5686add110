// platform-sim: the service-platform simulator as a program on a loopback port.
//   platform-sim [port] [--host H] [--ecode E --user U --password P] [--sms N] [--mms N]
//                [--files DIR] [--notice TEXT] [--port-file FILE]
// Runs until SIGINT or SIGTERM.
#include "tools/platform-sim/PlatformSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <string>

int main(int argc, char** argv) {
    int port = 0;
    std::string host = "127.0.0.1", files, notice, portFile;
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
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

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
    return 0;
}
