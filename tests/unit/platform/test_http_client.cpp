#include "platform/http_client.h"

#include "local_http_server.h"
#include "sandbox/sandbox_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace quenbo {
namespace {

using testsupport::LocalHttpServer;

struct Seen {
    std::mutex mutex;
    std::string target;
    std::string timestamp;
    std::string accept;
    std::string userAgent;
    std::string cookie;
    std::vector<int> remotePorts;
    int requests = 0;
};

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto &s = m_server.server();
        s.Get("/echo", [this](const httplib::Request &req, httplib::Response &res) {
            std::lock_guard lock(m_seen.mutex);
            ++m_seen.requests;
            m_seen.target = req.target;
            m_seen.timestamp = req.get_param_value("timestamp");
            m_seen.accept = req.get_header_value("Accept");
            m_seen.userAgent = req.get_header_value("User-Agent");
            m_seen.cookie = req.get_header_value("Cookie");
            m_seen.remotePorts.push_back(req.remote_port);
            res.set_content("echo", "text/plain");
        });
        s.Get(R"(/hop/(\d+))", [](const httplib::Request &req, httplib::Response &res) {
            const int left = std::stoi(req.matches[1]);
            if (left == 0)
                res.set_content("arrived", "text/plain");
            else
                res.set_redirect("/hop/" + std::to_string(left - 1));
        });
        s.Get("/login", [](const httplib::Request &, httplib::Response &res) {
            res.set_header("Set-Cookie", "session=abc; Path=/");
            res.set_redirect("/echo");
        });
        s.Get(R"(/status/(\d+))", [](const httplib::Request &req, httplib::Response &res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("status page", "text/html");
        });
        s.Get("/to", [](const httplib::Request &req, httplib::Response &res) {
            res.set_redirect(req.get_param_value("address"));
        });
        s.Get(R"(/bytes/(\d+))", [](const httplib::Request &req, httplib::Response &res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 'x'), "text/plain");
        });
        s.Get(R"(/chunked/(\d+))", [](const httplib::Request &req, httplib::Response &res) {
            const std::size_t total = std::stoul(req.matches[1]);
            res.set_chunked_content_provider(
                "text/plain", [total](std::size_t offset, httplib::DataSink &sink) {
                    if (offset >= total) {
                        sink.done();
                        return true;
                    }
                    const std::string chunk(std::min<std::size_t>(4096, total - offset), 'y');
                    return sink.write(chunk.data(), chunk.size());
                });
        });
        s.Get("/silent", [](const httplib::Request &, httplib::Response &res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            res.set_content("late", "text/plain");
        });
        s.Get("/endless", [this](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider(
                "text/plain", [this](std::size_t offset, httplib::DataSink &sink) {
                    // Raises the stop flag once the first part is on its way, then goes on
                    // sending for as long as the client listens.
                    if (offset > 0)
                        m_stop = true;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    const std::string chunk(1024, 'z');
                    return offset < (64u << 20) && sink.write(chunk.data(), chunk.size());
                });
        });
        s.Get("/busy", [this](const httplib::Request &, httplib::Response &res) {
            const int now = ++m_busy;
            int most = m_mostBusy;
            while (now > most && !m_mostBusy.compare_exchange_weak(most, now)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            --m_busy;
            res.set_content("busy", "text/plain");
        });
        m_server.start();
    }

    // Every result of fetch until none is pending, by tag.
    static std::map<std::uint64_t, ParallelFetch::Result> allResults(ParallelFetch &fetch)
    {
        std::map<std::uint64_t, ParallelFetch::Result> results;
        while (fetch.pending() > 0)
            for (ParallelFetch::Result &result : fetch.wait())
                results.emplace(result.tag, std::move(result));
        return results;
    }

    std::string url(const std::string &path) const { return m_server.baseUrl() + path; }

    // Declared before the server, which stops (and finishes its handlers) first.
    Seen m_seen;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_busy{0};
    std::atomic<int> m_mostBusy{0};
    LocalHttpServer m_server;
};

TEST_F(HttpClientTest, SendsTheHeadersAndTheSignedTextPercentEncoded)
{
    HttpClient http;
    EXPECT_EQ(http.get(url("/echo?q=中文&timestamp=2010-05-04 09:03:07&v=2.0")), "echo");
    std::lock_guard lock(m_seen.mutex);
    EXPECT_EQ(m_seen.target, "/echo?q=%E4%B8%AD%E6%96%87&timestamp=2010-05-04%2009:03:07&v=2.0");
    EXPECT_EQ(m_seen.timestamp, "2010-05-04 09:03:07");
    EXPECT_EQ(m_seen.accept, "text/html, */*");
    EXPECT_EQ(m_seen.userAgent, "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(HttpClientWireAddress, EncodesOnlyBlanksControlAndEightBitBytes)
{
    const struct {
        std::string address, wire;
    } cases[] = {
        {"http://h/p?a=1&b=x:y", "http://h/p?a=1&b=x:y"},
        {"http://h/p?t=2010-05-04 09:03:07", "http://h/p?t=2010-05-04%2009:03:07"},
        {"http://h/p?k=%E4&s=+", "http://h/p?k=%E4&s=+"},
        {"http://h/p?k=\xE4\xB8\xAD", "http://h/p?k=%E4%B8%AD"},
        {std::string("http://h/\t\x7F\n", 12), "http://h/%09%7F%0A"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HttpClient::wireAddress(c.address), c.wire) << c.address;
}

TEST_F(HttpClientTest, FollowsAtMostFifteenRedirects)
{
    HttpClient http;
    EXPECT_EQ(http.get(url("/hop/15")), "arrived");
    EXPECT_THROW(http.get(url("/hop/16")), HttpError);
}

TEST_F(HttpClientTest, KeepsCookiesAndTheConnectionAcrossRequests)
{
    HttpClient http;
    http.get(url("/login"));
    http.get(url("/echo"));
    std::lock_guard lock(m_seen.mutex);
    EXPECT_EQ(m_seen.cookie, "session=abc");
    ASSERT_EQ(m_seen.remotePorts.size(), 2u);
    EXPECT_EQ(m_seen.remotePorts[0], m_seen.remotePorts[1]);
}

TEST_F(HttpClientTest, OnlySuccessfulRepliesGiveABody)
{
    const struct {
        int status;
        bool succeeds;
    } cases[] = {{200, true},  {201, true},  {204, true}, {304, false},
                 {404, false}, {500, false}, {503, false}};
    HttpClient http;
    for (const auto &c : cases) {
        const std::string address = url("/status/" + std::to_string(c.status));
        if (c.succeeds) {
            EXPECT_NO_THROW(http.get(address)) << c.status;
        } else {
            try {
                http.get(address);
                ADD_FAILURE() << c.status << " gave a body";
            } catch (const HttpError &error) {
                EXPECT_NE(std::string(error.what()).find(std::to_string(c.status)),
                          std::string::npos)
                    << error.what();
            }
        }
    }
}

TEST_F(HttpClientTest, FetchesOnlyHttpAddressesAlsoWhenRedirected)
{
    LocalHttpServer other;
    other.server().Get("/", [](const httplib::Request &, httplib::Response &res) {
        res.set_content("other", "text/plain");
    });
    other.start();
    const std::string otherHost = "127.0.0.1:" + std::to_string(other.port());
    const struct {
        std::string target;
        bool followed;
    } cases[] = {
        {"http://" + otherHost + "/", true},
        {"HTTP://" + otherHost + "/", true},
        // Followed: libcurl then speaks TLS to a plain HTTP server, which fails.
        {"https://" + otherHost + "/", true},
        {"file:///etc/passwd", false},
        {"ftp://" + otherHost + "/", false},
        {"dict://" + otherHost + "/", false},
        {"gopher://" + otherHost + "/", false},
        {"scp://" + otherHost + "/", false},
    };
    HttpClient http;
    http.setTimeouts(2000, 2000);
    for (const auto &c : cases) {
        const std::string address = url("/to?address=" + c.target);
        if (c.target.starts_with("http:") || c.target.starts_with("HTTP:")) {
            EXPECT_EQ(http.get(address), "other");
            continue;
        }
        try {
            http.get(address);
            ADD_FAILURE() << c.target << " gave a body";
        } catch (const HttpError &error) {
            const bool refused = std::string(error.what()).find("disabled") != std::string::npos;
            EXPECT_EQ(refused, !c.followed) << c.target << ": " << error.what();
        }
    }
    for (const char *address : {"file:///etc/passwd", "ftp://127.0.0.1/x"})
        EXPECT_THROW(http.get(address), HttpError) << address;
}

// Only the redirects of an https:// transfer are told apart here: the client trusts the
// system's certificate authorities only, so no local server can start one.
TEST(HttpClientRedirects, AnHttpsTransferFollowsOnlyHttps)
{
    const struct {
        const char *address, *protocols;
    } cases[] = {
        {"https://h/p", "https"},     {"HTTPS://h/p", "https"},     {"hTTpS://h/p", "https"},
        {"http://h/p", "http,https"}, {"HTTP://h/p", "http,https"}, {"https", "http,https"},
        {"", "http,https"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(HttpClient::redirectProtocols(c.address), c.protocols) << c.address;
}

TEST_F(HttpClientTest, RefusesBodiesOverTheLimit)
{
    HttpClient http;
    http.setMaxBodyBytes(10000);
    EXPECT_EQ(http.get(url("/bytes/10000")).size(), 10000u);
    EXPECT_THROW(http.get(url("/bytes/10001")), HttpError);
    EXPECT_EQ(http.get(url("/chunked/10000")).size(), 10000u);
    EXPECT_THROW(http.get(url("/chunked/20000")), HttpError);
}

TEST_F(HttpClientTest, ASilentServerEndsInATimeOut)
{
    HttpClient http;
    http.setTimeouts(1000, 200);
    try {
        http.get(url("/silent"));
        ADD_FAILURE() << "no time-out";
    } catch (const HttpError &error) {
        EXPECT_NE(std::string(error.what()).find("/silent"), std::string::npos);
    }
}

TEST_F(HttpClientTest, TheStopFlagAbortsTheTransferAndRefusesNewOnes)
{
    HttpClient http;
    http.setAbortFlag(&m_stop);
    EXPECT_THROW(http.get(url("/endless")), HttpError);
    EXPECT_TRUE(m_stop);
    EXPECT_THROW(http.get(url("/echo")), HttpError);
    std::lock_guard lock(m_seen.mutex);
    EXPECT_EQ(m_seen.requests, 0);
}

TEST_F(HttpClientTest, ParallelTransfersEachEndOnTheirOwn)
{
    using Reason = HttpError::Reason;
    const struct {
        const char *path;
        std::optional<Reason> failure;
        std::string body;
    } cases[] = {
        {"/echo", {}, "echo"},
        {"/status/404", Reason::Status, ""},
        {"/hop/16", Reason::Redirect, ""},
        {"/hop/3", {}, "arrived"},
        {"/to?address=file:///etc/passwd", Reason::Redirect, ""},
        {"/bytes/40000000", Reason::TooLarge, ""},
        {"/chunked/5000", {}, std::string(5000, 'y')},
    };
    ParallelFetch fetch;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        fetch.add(i, url(cases[i].path));
    const auto results = allResults(fetch);
    ASSERT_EQ(results.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].path);
        const ParallelFetch::Result &result = results.at(i);
        EXPECT_EQ(result.body, cases[i].body);
        if (!cases[i].failure) {
            EXPECT_FALSE(result.error) << result.error->what();
            continue;
        }
        ASSERT_TRUE(result.error);
        EXPECT_EQ(result.error->reason(), *cases[i].failure);
        EXPECT_NE(std::string(result.error->what()).find(cases[i].path), std::string::npos);
    }
}

TEST_F(HttpClientTest, ParallelTransfersUseAtMostSixConnectionsToAHost)
{
    ParallelFetch fetch;
    for (std::uint64_t i = 0; i < 14; ++i)
        fetch.add(i, url("/busy"));
    const auto results = allResults(fetch);
    EXPECT_EQ(results.size(), 14u);
    for (const auto &[tag, result] : results)
        EXPECT_EQ(result.body, "busy") << tag;
    EXPECT_EQ(m_mostBusy, int(ParallelFetch::kMaxHostConnections));
}

TEST_F(HttpClientTest, TheStopFlagEndsEveryParallelTransferAndRefusesNewOnes)
{
    ParallelFetch fetch;
    fetch.setAbortFlag(&m_stop);
    fetch.add(1, url("/silent"));
    fetch.add(2, url("/endless"));
    const auto results = allResults(fetch);
    ASSERT_EQ(results.size(), 2u);
    for (const auto &[tag, result] : results) {
        ASSERT_TRUE(result.error) << tag;
        EXPECT_EQ(result.error->reason(), HttpError::Reason::Aborted) << tag;
    }
    fetch.add(3, url("/echo"));
    const auto refused = allResults(fetch);
    ASSERT_TRUE(refused.at(3).error);
    EXPECT_EQ(refused.at(3).error->reason(), HttpError::Reason::Aborted);
    std::lock_guard lock(m_seen.mutex);
    EXPECT_EQ(m_seen.requests, 0);
}

TEST(HttpClientConnection, AFailedConnectionIsAnError)
{
    int port = 0;
    {
        LocalHttpServer closed;
        closed.start();
        port = closed.port();
    }
    HttpClient http;
    EXPECT_THROW(http.get("http://127.0.0.1:" + std::to_string(port) + "/"), HttpError);
}

TEST(HttpClientSandboxFaults, ReportsBrokenTransfersAndKeepsWorking)
{
    sandbox::SandboxServer sandbox(sandbox::SandboxConfig{});
    sandbox.start();
    const struct {
        const char *kind;
        bool succeeds;
    } cases[] = {{"not_found", false}, {"html", true},  {"truncated", true},
                 {"empty", true},      {"drop", false}, {"redirect_loop", false}};
    HttpClient http;
    for (const auto &c : cases) {
        const std::string address = sandbox.baseUrl() + "/bate.txt?__fault=" + c.kind;
        if (c.succeeds)
            EXPECT_NO_THROW(http.get(address)) << c.kind;
        else
            EXPECT_THROW(http.get(address), HttpError) << c.kind;
        EXPECT_FALSE(http.get(sandbox.baseUrl() + "/bate.txt").empty()) << "after " << c.kind;
    }
}

}  // namespace
}  // namespace quenbo
