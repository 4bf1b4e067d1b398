#include "platform/http_client.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

// Runs with the hanging resolver preloaded (tests/support/hang_resolver): a name lookup of
// "hang.quenbo.test" does not answer for a minute, as with a name server gone silent.

namespace quenbo {
namespace {

using namespace std::chrono_literals;

constexpr const char *kHangingAddress = "http://hang.quenbo.test/x";
// Far below the minute the lookup hangs, far above what a prompt release takes.
constexpr auto kReleaseBound = 3s;

int hangingLookups()
{
    using Count = int (*)();
    static const auto count =
        reinterpret_cast<Count>(::dlsym(RTLD_DEFAULT, "quenbo_hanging_lookups"));
    return count ? count() : -1;
}

bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds bound)
{
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(HttpClientHangingLookup, TheResolverIsPreloaded)
{
    EXPECT_EQ(hangingLookups(), 0) << "run with LD_PRELOAD naming libquenbo_hang_resolver.so";
}

// A transfer that ends while its name lookup still hangs, because it was stopped or because
// its time-out passed, returns and lets go of its client at once instead of waiting for the
// lookup.
TEST(HttpClientHangingLookup, ATransferEndedInALookupReleasesTheClientAtOnce)
{
    const struct {
        const char *how;
        bool stop;
        long timeoutMs;
    } cases[] = {{"stopped", true, HttpClient::kTotalTimeoutMs}, {"timed out", false, 300}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        std::atomic<bool> stop{false};
        std::promise<std::string> ended;
        std::future<std::string> error = ended.get_future();
        const int hangingBefore = hangingLookups();
        std::thread worker([&] {
            std::string message;
            {
                HttpClient http;
                http.setAbortFlag(&stop);
                http.setTimeouts(c.timeoutMs, c.timeoutMs);
                try {
                    http.get(kHangingAddress);
                } catch (const HttpError &e) {
                    message = e.what();
                }
            }
            ended.set_value(message);
        });
        EXPECT_TRUE(waitUntil([&] { return hangingLookups() > hangingBefore; }, 5000ms))
            << "the lookup never started";
        const auto from = std::chrono::steady_clock::now();
        stop = c.stop;
        const bool released = error.wait_for(kReleaseBound) == std::future_status::ready;
        worker.join();  // after a failure, waits out the lookup
        ASSERT_TRUE(released) << "the client was held for "
                              << std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - from)
                                     .count()
                              << " ms";
        EXPECT_NE(error.get().find("hang.quenbo.test"), std::string::npos);
    }
}

}  // namespace
}  // namespace quenbo
