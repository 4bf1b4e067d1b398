#pragma once

#include "sandbox/catalogue.h"
#include "sandbox/faults.h"
#include "sandbox/gateway.h"
#include "sandbox/pictures.h"
#include "sandbox/site.h"

#include <httplib.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quenbo::sandbox {

inline constexpr std::string_view kDefaultAppKey = "10000001";
inline constexpr std::string_view kDefaultAppSecret = "sandbox-secret";
inline constexpr std::string_view kDefaultAdzoneId = "10001";

struct SandboxConfig {
    std::string host = "127.0.0.1";  // a loopback address; anything else is refused
    int port = 0;                    // 0: a free port
    std::string appKey = std::string(kDefaultAppKey);
    std::string appSecret = std::string(kDefaultAppSecret);
    std::string versionText = std::string(kDefaultVersionText);
    std::uint64_t seed = 1;
    bool lenientTime = false;
    std::string adzoneId = std::string(kDefaultAdzoneId);  // digits
    // Milliseconds every gateway and picture answer waits before its first byte, 0 to
    // kMaxLatencyMs; also the value the fault switches' clear goes back to.
    int latencyMs = 0;
};

// True for 127.0.0.0/8, ::1 and "localhost".
bool isLoopbackHost(std::string_view host);

// The whole sandbox: the gateway, the start-up list, the pictures, the maker's site, the pages
// behind the browser addresses and the fault switches, served over HTTP/1.1 with keep-alive.
// Owns its listening thread; destruction stops it and waits for the handlers to finish.
class SandboxServer {
public:
    explicit SandboxServer(SandboxConfig config);
    ~SandboxServer();
    SandboxServer(const SandboxServer &) = delete;
    SandboxServer &operator=(const SandboxServer &) = delete;

    // Binds the configured address and starts serving on a thread of its own. Throws
    // std::runtime_error when the host is not loopback or the address cannot be bound.
    void start();
    // Stops serving; slow answers and latency waits in progress are cut short. Safe to call
    // more than once.
    void stop();

    // "http://HOST:PORT", valid after start().
    const std::string &baseUrl() const { return m_baseUrl; }
    int port() const { return m_port; }
    const Catalogue &catalogue() const { return m_catalogue; }

    // The targets ("/path?query", as they arrived, still percent-encoded) of the last
    // kReceivedLogSize requests, oldest first, so tests can check what a client sent. Control
    // requests are left out. Any thread.
    static constexpr std::size_t kReceivedLogSize = 512;
    std::vector<std::string> receivedTargets() const;
    // How many requests were logged since the start, also those the log no longer holds.
    std::size_t receivedCount() const;
    // The targets of the requests logged after the first `count` (as receivedCount gave it),
    // read in one step, so requests that arrive meanwhile cannot shift the window. Only those
    // the log still holds.
    std::vector<std::string> receivedSince(std::size_t count) const;

private:
    using NormalAnswer = std::function<void(httplib::Response &)>;

    void addRoutes();
    void serve(const httplib::Request &req, httplib::Response &res, const NormalAnswer &normal);
    void servePicture(const httplib::Request &req, httplib::Response &res, const Item *item);
    void servePage(httplib::Response &res, const std::optional<std::string> &page);
    void controlFault(const httplib::Request &req, const std::string &body, httplib::Response &res);
    void logReceived(const std::string &target);

    SandboxConfig m_config;
    Catalogue m_catalogue;
    PictureCache m_pictures;
    FaultSwitches m_faults;
    std::unique_ptr<Gateway> m_gateway;
    std::unique_ptr<Site> m_site;
    std::string m_featured;
    std::string m_baseUrl;
    int m_port = 0;
    httplib::Server m_server;
    std::thread m_thread;
    mutable std::mutex m_receivedMutex;
    std::deque<std::string> m_received;
    std::size_t m_receivedCount = 0;
};

}  // namespace quenbo::sandbox
