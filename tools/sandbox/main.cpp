// quenbo-sandbox: serves the platform gateway, pictures and the maker's site on loopback
// until SIGINT or SIGTERM.
#include "sandbox/options.h"
#include "sandbox/sandbox_server.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <vector>

#include <pthread.h>

int main(int argc, char **argv)
{
    using namespace quenbo::sandbox;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedOptions options = parseOptions(args);
    return quenbo::tools::runProgram("quenbo-sandbox", options, usageText(), [&] {
        // Block the stop signals before any thread starts, so that only sigwait below sees
        // them.
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        std::signal(SIGPIPE, SIG_IGN);

        SandboxServer server(options.config);
        server.start();
        std::cout << server.baseUrl() << std::endl;
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
        return 0;
    });
}
