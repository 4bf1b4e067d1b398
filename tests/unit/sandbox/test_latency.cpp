// The link's latency: which answers wait for it, that every request waits on its own and
// parallel connections wait side by side, the control switch, and that a stop cuts it short.
#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace quenbo::sandbox::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

SandboxConfig withLatency(int ms)
{
    SandboxConfig config;
    config.latencyMs = ms;
    return config;
}

std::string pictureTarget(RunningSandbox &sandbox, std::size_t index = 0)
{
    return "/pic/" + sandbox.server().catalogue().items()[index].numIid + "_b.jpg";
}

std::string categoriesTarget()
{
    Params params = commonParams("taobao.itemcats.get");
    params.emplace_back("fields", "cid,name");
    params.emplace_back("parent_cid", "0");
    return signedTarget(params);
}

struct TimedAnswer {
    Clock::duration firstByte{};
    std::string answer;
};

// One GET over the connection: the time from sending it to the first byte of its answer, and
// the whole answer, read so that the connection can carry the next request.
TimedAnswer timedGet(RawConnection &connection, const std::string &target)
{
    const auto sent = Clock::now();
    EXPECT_TRUE(connection.sendGet(target)) << target;
    EXPECT_TRUE(connection.awaitFirstByte()) << target;
    TimedAnswer timed{Clock::now() - sent, {}};
    timed.answer = connection.readAnswer();
    return timed;
}

std::string statusLine(const std::string &answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

TEST(Latency, HoldsEveryGatewayAndPictureAnswerButNotTheSite)
{
    constexpr int kLatencyMs = 150;
    RunningSandbox held(withLatency(kLatencyMs));
    // Answers that must not wait are timed on a sandbox whose latency lies far beyond the
    // bound, so that a busy machine cannot make them look held.
    RunningSandbox farAway(withLatency(kMaxLatencyMs));
    const Item &item = held.server().catalogue().items()[0];
    const struct {
        std::string target;
        bool held;
    } cases[] = {
        {categoriesTarget(), true},
        {"/router/rest", true},
        {"/pic/" + item.numIid + "_b.jpg", true},
        {"/pic/" + item.opaqueId + "_310x310.jpg", true},
        {"/pic/0_b.jpg", true},
        {"/bate.txt", false},
        {"/click?id=" + item.numIid, false},
        {"/blog/post/1.html", false},
        {"/__control/requests", false},
    };
    for (const auto &c : cases) {
        if (c.held) {
            // A kept-alive connection pays it again on every request.
            RawConnection connection(held.server().port());
            for (int request = 0; request < 2; ++request) {
                const TimedAnswer timed = timedGet(connection, c.target);
                EXPECT_GE(timed.firstByte, milliseconds(kLatencyMs)) << c.target << " #" << request;
                EXPECT_TRUE(timed.answer.starts_with("HTTP/1.1 ")) << c.target << " #" << request;
            }
        } else {
            RawConnection connection(farAway.server().port());
            const TimedAnswer timed = timedGet(connection, c.target);
            EXPECT_LT(timed.firstByte, 5s) << c.target;
            EXPECT_EQ(statusLine(timed.answer), "HTTP/1.1 200 OK") << c.target;
        }
    }
}

TEST(Latency, ParallelConnectionsWaitAtTheSameTime)
{
    constexpr int kLatencyMs = 500;
    constexpr std::size_t kConnections = 8;
    RunningSandbox sandbox(withLatency(kLatencyMs));

    // Timed from before the connections open: a burst of them is taken in at once too.
    const auto start = Clock::now();
    std::vector<std::unique_ptr<RawConnection>> connections;
    for (std::size_t i = 0; i < kConnections; ++i)
        connections.push_back(std::make_unique<RawConnection>(sandbox.server().port()));
    for (std::size_t i = 0; i < kConnections; ++i)
        EXPECT_TRUE(connections[i]->sendGet(pictureTarget(sandbox, i)));
    for (std::size_t i = 0; i < kConnections; ++i)
        EXPECT_EQ(statusLine(connections[i]->readAnswer()), "HTTP/1.1 200 OK") << i;
    const auto took = Clock::now() - start;
    EXPECT_GE(took, milliseconds(kLatencyMs));
    // One after another they would take kConnections latencies.
    EXPECT_LT(took, milliseconds(3 * kLatencyMs));
}

TEST(Latency, ControlSetsItAndClearGoesBackToTheStartValue)
{
    constexpr int kStartMs = 2000;
    RunningSandbox sandbox(withLatency(kStartMs));
    const Item &item = sandbox.server().catalogue().items()[0];
    const std::string picture = pictureTarget(sandbox);
    RawConnection connection(sandbox.server().port());

    ASSERT_TRUE(sandbox.setFault("latency_ms=0"));
    EXPECT_LT(timedGet(connection, picture).firstByte, milliseconds(kStartMs / 2));

    ASSERT_TRUE(sandbox.setFault("latency_ms=300"));
    EXPECT_GE(timedGet(connection, categoriesTarget()).firstByte, 300ms);

    // Along with a rule, the same request sets both.
    ASSERT_TRUE(sandbox.setFault("picture=" + item.numIid + "&kind=not_found&latency_ms=200"));
    const TimedAnswer broken = timedGet(connection, picture);
    EXPECT_GE(broken.firstByte, 200ms);
    EXPECT_EQ(statusLine(broken.answer), "HTTP/1.1 404 Not Found");

    ASSERT_TRUE(sandbox.client().Post("/__control/clear", "", "application/x-www-form-urlencoded"));
    const TimedAnswer cleared = timedGet(connection, picture);
    EXPECT_GE(cleared.firstByte, milliseconds(kStartMs));
    EXPECT_EQ(statusLine(cleared.answer), "HTTP/1.1 200 OK");
}

TEST(Latency, StoppingCutsAWaitingRequestShort)
{
    RunningSandbox sandbox(withLatency(kMaxLatencyMs));
    RawConnection connection(sandbox.server().port());
    ASSERT_TRUE(connection.sendGet(pictureTarget(sandbox)));
    for (int waited = 0; waited < 1000 && sandbox.server().receivedCount() == 0; ++waited)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(sandbox.server().receivedCount(), 1u);

    const auto from = Clock::now();
    sandbox.server().stop();
    EXPECT_LT(Clock::now() - from, 10s);
}

}  // namespace
}  // namespace quenbo::sandbox::test
