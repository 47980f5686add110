#include "platform/TermSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace termsignals {
namespace {
int g_pipe[2] = {-1, -1};

Handler& TheHandler() {
    static Handler handler;
    return handler;
}

void OnSignal(int) {
    const char c = 1;
    (void)!::write(g_pipe[1], &c, 1);
}
}  // namespace

void QuitEventLoopsOnSignal() {
    if (g_pipe[0] >= 0 || !QCoreApplication::instance()) return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char buf[16];
        while (::read(g_pipe[0], buf, sizeof buf) > 0) {
        }
        // A copy: the handler may replace itself.
        if (const Handler handler = TheHandler(); handler && handler()) return;
        QCoreApplication::exit(0);
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

Handler SetHandler(Handler handler) {
    std::swap(TheHandler(), handler);
    return handler;
}

}  // namespace termsignals
