#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <QWidget>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace quenbo {

namespace {

int wakeFds[2] = {-1, -1};

void wakeEventLoop(int)
{
    const char byte = 1;
    // Only async-signal-safe calls here; a full socket already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

}  // namespace

void closeOnTerminationSignals(QWidget *window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0)
        return;
    auto *notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char bytes[16];
        while (::read(wakeFds[1], bytes, sizeof bytes) > 0) {
        }
        window->close();
    });
    struct sigaction action {};
    action.sa_handler = wakeEventLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace quenbo
