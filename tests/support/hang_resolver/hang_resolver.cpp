// A preload library (LD_PRELOAD) whose getaddrinfo never answers for one test host name: a
// lookup of kHangingHost waits kHangSeconds, as a name server that has gone silent would make
// it, and then fails; every other lookup goes to the real getaddrinfo. Lets tests and
// benchmarks show what a download does while its name lookup hangs.

#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

constexpr const char *kHangingHost = "hang.quenbo.test";
constexpr unsigned kHangSeconds = 60;

std::atomic<int> g_hanging{0};

using GetAddrInfo = int (*)(const char *, const char *, const addrinfo *, addrinfo **);

}  // namespace

extern "C" {

// How many lookups of the hanging host are waiting right now. Found with dlsym, it also tells a
// test that the library is loaded at all.
__attribute__((visibility("default"))) int quenbo_hanging_lookups()
{
    return g_hanging.load();
}

__attribute__((visibility("default"))) int getaddrinfo(const char *node, const char *service,
                                                       const addrinfo *hints, addrinfo **result)
{
    if (node && std::strcmp(node, kHangingHost) == 0) {
        ++g_hanging;
        unsigned left = kHangSeconds;
        while (left > 0)
            left = ::sleep(left);
        --g_hanging;
        return EAI_AGAIN;
    }
    static const auto real = reinterpret_cast<GetAddrInfo>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    return real ? real(node, service, hints, result) : EAI_SYSTEM;
}

}  // extern "C"
