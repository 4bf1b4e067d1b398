#include "sandbox/sandbox_server.h"

#include "sandbox/addresses.h"
#include "sandbox/connection_drop.h"
#include "sandbox/query_string.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <sys/socket.h>

#include <ctime>
#include <stdexcept>

namespace quenbo::sandbox {

namespace {

constexpr std::size_t kPictureCacheSize = 256;
// Each connection holds a thread for its whole keep-alive life, latency waits included, so
// there are enough for several clients that each open a handful of parallel connections.
constexpr std::size_t kConnectionThreads = 64;
// Connections the kernel holds until the listening thread accepts them.
constexpr int kListenBacklog = 128;
constexpr std::size_t kKeepAliveRequests = 100;
// Idle keep-alive connections hold up a stop for this long, so it is kept short.
constexpr time_t kKeepAliveSeconds = 3;
constexpr int kMaxRedirectHops = 1000;
constexpr const char *kHtml = "text/html; charset=utf-8";
constexpr const char *kXml = "text/xml; charset=utf-8";

// The raw query with its "__hop" piece set to hop: each redirect of a loop differs.
std::string withHop(std::string_view query, int hop)
{
    std::string out;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view piece = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (piece.empty() || piece.starts_with("__hop="))
            continue;
        out += piece;
        out += '&';
    }
    return out + "__hop=" + std::to_string(hop);
}

int hopOf(const QueryParams &params)
{
    for (const auto &[name, value] : params) {
        if (name == "__hop" && !value.empty() && value.size() < 6 &&
            value.find_first_not_of("0123456789") == std::string::npos)
            return std::stoi(value);
    }
    return 0;
}

// The body of a control request. A request announces its body with Content-Length or
// Transfer-Encoding; without either it has none (RFC 9112, 6.3). cpp-httplib would instead read
// until the client closes the connection, and a client that waits for the answer would get a
// 400 after the read time-out, its request undone.
std::string announcedBody(const httplib::Request &req, const httplib::ContentReader &content)
{
    std::string body;
    if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding")) {
        content([&](const char *data, std::size_t length) {
            body.append(data, length);
            return true;
        });
    }
    return body;
}

void removeCacheHeaders(httplib::Response &res)
{
    res.headers.erase("ETag");
    res.headers.erase("Last-Modified");
    res.headers.erase("Cache-Control");
}

}  // namespace

bool isLoopbackHost(std::string_view host)
{
    if (host == "localhost")
        return true;
    const std::string text(host);
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

SandboxServer::SandboxServer(SandboxConfig config)
    : m_config(std::move(config))
    , m_catalogue(m_config.seed)
    , m_pictures(m_config.seed, kPictureCacheSize)
    , m_faults(m_config.latencyMs)
{
}

SandboxServer::~SandboxServer()
{
    stop();
}

void SandboxServer::start()
{
    if (m_thread.joinable())
        throw std::runtime_error("the sandbox is already running");
    if (!isLoopbackHost(m_config.host))
        throw std::runtime_error("refusing to serve on " + m_config.host +
                                 ": only loopback addresses are allowed");
    const std::string host = m_config.host == "localhost" ? "127.0.0.1" : m_config.host;

    m_server.new_task_queue = [] { return new httplib::ThreadPool(kConnectionThreads); };
    m_server.set_keep_alive_max_count(kKeepAliveRequests);
    m_server.set_keep_alive_timeout(kKeepAliveSeconds);
    // Headers and body go out in separate writes; without this, Nagle's algorithm holds the
    // body back until the client's delayed acknowledgement, some 40 ms per keep-alive answer.
    m_server.set_tcp_nodelay(true);
    int listening = -1;
    m_server.set_socket_options([&listening](int fd) {
        httplib::default_socket_options(fd);
        listening = fd;
    });
    if (m_config.port == 0) {
        m_port = m_server.bind_to_any_port(host);
        if (m_port < 0)
            m_port = 0;
    } else if (m_server.bind_to_port(host, m_config.port)) {
        m_port = m_config.port;
    }
    if (m_port <= 0)
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(m_config.port));
    // cpp-httplib listens with a backlog of 5: a client opening more connections at once than
    // the listening thread has taken in yet would see the rest refused and retried a second
    // later. Listening again only raises the backlog.
    ::listen(listening, kListenBacklog);

    const bool v6 = host.find(':') != std::string::npos;
    m_baseUrl = "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(m_port);
    m_gateway = std::make_unique<Gateway>(m_catalogue,
                                          GatewaySettings{m_config.appKey, m_config.appSecret,
                                                          m_config.lenientTime, m_config.adzoneId},
                                          m_baseUrl);
    m_site = std::make_unique<Site>(m_catalogue, m_baseUrl, m_config.versionText);
    m_featured = m_gateway->featuredAnswer();
    addRoutes();
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // stop() only reaches a server that is already listening: wait until it is, so that a
    // sandbox stopped right after it started cannot be left serving forever.
    for (int waited = 0; waited < 5000 && !m_server.is_running(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void SandboxServer::stop()
{
    m_faults.shutDown();
    if (m_thread.joinable()) {
        m_server.stop();
        m_thread.join();
    }
}

std::vector<std::string> SandboxServer::receivedTargets() const
{
    const std::lock_guard lock(m_receivedMutex);
    return {m_received.begin(), m_received.end()};
}

std::size_t SandboxServer::receivedCount() const
{
    const std::lock_guard lock(m_receivedMutex);
    return m_receivedCount;
}

std::vector<std::string> SandboxServer::receivedSince(std::size_t count) const
{
    const std::lock_guard lock(m_receivedMutex);
    const std::size_t fresh =
        std::min(m_receivedCount - std::min(count, m_receivedCount), m_received.size());
    return {m_received.end() - std::ptrdiff_t(fresh), m_received.end()};
}

void SandboxServer::logReceived(const std::string &target)
{
    if (target.starts_with(kControlPrefix))
        return;
    const std::lock_guard lock(m_receivedMutex);
    if (m_received.size() == kReceivedLogSize)
        m_received.pop_front();
    m_received.push_back(target);
    ++m_receivedCount;
}

void SandboxServer::addRoutes()
{
    m_server.set_pre_routing_handler([this](const auto &req, auto &) {
        logReceived(req.target);
        // The latency is waited in the thread that serves this request's connection, before
        // any byte of the answer, so other connections go on meanwhile.
        if (req.path == kGatewayPath || req.path.starts_with(kPicturePath))
            m_faults.holdForLatency();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    m_server.Get(std::string(kReceivedPath), [this](const auto &, auto &res) {
        std::string lines;
        for (const std::string &target : receivedTargets())
            lines += target + "\n";
        res.set_content(lines, "text/plain; charset=utf-8");
    });
    m_server.Get(std::string(kGatewayPath), [this](const auto &req, auto &res) {
        serve(req, res, [&](httplib::Response &out) {
            const QueryParams params = parseQuery(queryOf(req.target));
            out.set_content(m_gateway->answer(params, std::time(nullptr)), kXml);
        });
    });
    m_server.Get(std::string(kIndexPath), [this](const auto &req, auto &res) {
        serve(req, res, [&](httplib::Response &out) { out.set_content(m_featured, kXml); });
    });
    m_server.Get(R"(/pic/(\d{1,20})(?:_b\.jpg)?)", [this](const auto &req, auto &res) {
        serve(req, res, [&](httplib::Response &out) {
            servePicture(req, out, m_catalogue.findItem(req.matches[1].str()));
        });
    });
    // The material search's pictures: pict_url is BASE/pic/OPAQUE_ID, the client asks for the
    // 310-pixel square beside it.
    m_server.Get(R"(/pic/([0-9A-Za-z-]{1,64})_310x310\.jpg)", [this](const auto &req, auto &res) {
        serve(req, res, [&](httplib::Response &out) {
            servePicture(req, out, m_catalogue.findOpaqueItem(req.matches[1].str()));
        });
    });
    m_server.Get(std::string(kVersionPath), [this](const auto &req, auto &res) {
        serve(req, res, [&](httplib::Response &out) {
            out.set_content(m_site->versionFile(), "text/plain; charset=utf-8");
        });
    });
    const auto page = [this](std::string_view path, std::function<std::string()> make) {
        m_server.Get(std::string(path), [this, make](const auto &req, auto &res) {
            serve(req, res, [&](httplib::Response &out) { servePage(out, make()); });
        });
    };
    page("/", [this] { return m_site->homePage(); });
    page(kHelpPath, [this] { return m_site->helpPage(); });
    page(kFeedbackPath, [this] { return m_site->feedbackPage(); });
    page(kDownloadPath, [this] { return m_site->downloadPage(); });

    const auto lookup =
        [this](std::string_view path, std::string param,
               std::function<std::optional<std::string>(const std::string &)> make) {
            m_server.Get(std::string(path.substr(0, path.find('?'))),
                         [this, param, make](const auto &req, auto &res) {
                             serve(req, res, [&](httplib::Response &out) {
                                 servePage(out, make(req.get_param_value(param)));
                             });
                         });
        };
    lookup(kClickPath, "id", [this](const std::string &id) { return m_site->clickPage(id); });
    lookup(kShopPath, "sid", [this](const std::string &sid) { return m_site->shopPage(sid); });
    lookup(kCashBackPath, "id", [this](const std::string &id) { return m_site->cashBackPage(id); });

    m_server.Post(std::string(kFaultControlPath),
                  [this](const auto &req, auto &res, const httplib::ContentReader &content) {
                      controlFault(req, announcedBody(req, content), res);
                  });
    m_server.Post(std::string(kFaultClearPath),
                  [this](const auto &req, auto &res, const httplib::ContentReader &content) {
                      announcedBody(req, content);
                      m_faults.clear();
                      res.set_content("cleared\n", "text/plain");
                  });
    m_server.set_error_handler([this](const auto &, auto &res) {
        if (res.status == 404 && res.body.empty())
            res.set_content(m_site->notFoundPage(), kHtml);
    });
}

void SandboxServer::serve(const httplib::Request &req, httplib::Response &res,
                          const NormalAnswer &normal)
{
    const QueryParams params = parseQuery(queryOf(req.target));
    const std::optional<Fault> fault = m_faults.take(req.path, params);
    if (!fault) {
        normal(res);
        return;
    }
    switch (fault->kind) {
    case FaultKind::NotFound:
        res.status = 404;
        res.set_content(m_site->notFoundPage(), kHtml);
        return;
    case FaultKind::Html:
        res.status = 200;
        res.set_content(m_site->faultPage(), kHtml);
        return;
    case FaultKind::Slow:
        m_faults.pause(fault->delayMs);
        normal(res);
        return;
    case FaultKind::RedirectLoop: {
        const int hop = hopOf(params) + 1;
        if (hop > kMaxRedirectHops) {
            res.status = 508;
            res.set_content(m_site->faultPage(), kHtml);
            return;
        }
        res.set_redirect(m_baseUrl + req.path + "?" + withHop(queryOf(req.target), hop), 302);
        return;
    }
    case FaultKind::Drop:
        dropConnection(req.local_addr, req.local_port, req.remote_addr, req.remote_port);
        res.status = 500;
        res.set_header("Connection", "close");
        return;
    case FaultKind::Empty:
        normal(res);
        res.body.clear();
        removeCacheHeaders(res);
        return;
    case FaultKind::Truncated:
        normal(res);
        res.body.resize(std::min(res.body.size(), fault->bytes.value_or(res.body.size() / 2)));
        removeCacheHeaders(res);
        return;
    case FaultKind::Oversized:
        // Blanks after the answer leave it well-formed XML, or a JPEG with trailing bytes:
        // only its size is wrong.
        normal(res);
        res.body.resize(std::max(res.body.size(), fault->bytes.value_or(kDefaultOversizedBytes)),
                        ' ');
        removeCacheHeaders(res);
        return;
    case FaultKind::Malformed: {
        normal(res);
        const std::size_t lastClose = res.body.rfind("</");
        res.body.resize(lastClose == std::string::npos ? res.body.size() : lastClose);
        res.body += "<";
        removeCacheHeaders(res);
        return;
    }
    }
}

void SandboxServer::servePicture(const httplib::Request &req, httplib::Response &res,
                                 const Item *item)
{
    if (!item) {
        res.status = 404;
        res.set_content(m_site->notFoundPage(), kHtml);
        return;
    }
    const std::string &numIid = item->numIid;
    const std::string etag = "\"" + numIid + "-" + std::to_string(m_config.seed) + "\"";
    res.set_header("ETag", etag);
    res.set_header("Cache-Control", "public, max-age=86400");
    res.set_header("Last-Modified", "Sat, 01 Jan 2011 00:00:00 GMT");
    if (req.get_header_value("If-None-Match") == etag) {
        res.status = 304;
        return;
    }
    const auto jpeg = m_pictures.picture(numIid);
    res.set_content(*jpeg, "image/jpeg");
}

void SandboxServer::servePage(httplib::Response &res, const std::optional<std::string> &page)
{
    if (page) {
        res.set_content(*page, kHtml);
    } else {
        res.status = 404;
        res.set_content(m_site->notFoundPage(), kHtml);
    }
}

void SandboxServer::controlFault(const httplib::Request &req, const std::string &body,
                                 httplib::Response &res)
{
    QueryParams params = parseQuery(queryOf(req.target));
    if (req.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded")) {
        const QueryParams form = parseQuery(body);
        params.insert(params.end(), form.begin(), form.end());
    }
    std::string error;
    const auto request = parseFaultRequest(params, error);
    if (!request) {
        res.status = 400;
        res.set_content(error + "\n", "text/plain");
        return;
    }
    if (request->latencyMs)
        m_faults.setLatency(*request->latencyMs);
    if (request->rule && request->removal)
        m_faults.remove(request->rule->path, request->rule->method);
    else if (request->rule)
        m_faults.set(*request->rule);
    res.set_content("ok\n", "text/plain");
}

}  // namespace quenbo::sandbox
