#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// HTTP GET into memory over libcurl, as the gateway queries, the version check and the picture
// downloads need it: one transfer at a time (HttpClient), or several at once (ParallelFetch).

namespace quenbo {

// Raised for a transfer that did not end in a successful reply; the message names the address,
// and reason() says what kind of failure it was, so a caller can tell the user.
class HttpError : public std::runtime_error {
public:
    enum class Reason {
        Connection,  // no connection: a name that does not resolve, a refusal, a dropped line
        Timeout,     // the connection or the whole transfer took longer than allowed
        Status,      // the server answered with a status other than 2xx; see status()
        TooLarge,    // the body is longer than the client takes
        Aborted,     // the abort flag was set
        Redirect,    // too many redirects, or one to a scheme the transfer may not follow
    };

    explicit HttpError(const std::string &message, Reason reason = Reason::Connection,
                       long status = 0)
        : std::runtime_error(message)
        , m_reason(reason)
        , m_status(status)
    {
    }

    Reason reason() const { return m_reason; }
    // The final HTTP status for Reason::Status; 0 otherwise.
    long status() const { return m_status; }

private:
    Reason m_reason;
    long m_status;
};

// One client keeps one connection handle, so consecutive requests to the same server reuse the
// connection (keep-alive) and share cookies. Not thread-safe: each thread uses its own client.
class HttpClient {
public:
    static constexpr long kConnectTimeoutMs = 10'000;
    static constexpr long kTotalTimeoutMs = 30'000;
    static constexpr std::size_t kMaxBodyBytes = 32u << 20;
    static constexpr long kMaxRedirects = 15;
    static constexpr std::string_view kAccept = "text/html, */*";
    static constexpr std::string_view kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    // Time-outs for the connection and for the whole transfer, redirects included.
    void setTimeouts(long connectMs, long totalMs);
    // Largest body accepted; a longer one fails the transfer.
    void setMaxBodyBytes(std::size_t bytes);
    // While *flag is true, a transfer in flight aborts and a new one does not start. The flag
    // must outlive the client or be reset to null; it may be set from any thread.
    void setAbortFlag(const std::atomic<bool> *flag);

    // The body of the reply to a GET of address, after at most kMaxRedirects redirects. Only
    // http:// and https:// are fetched, also as redirect targets, and a transfer that starts on
    // https:// follows only https:// (see redirectProtocols). Raises HttpError for a failed
    // connection, a time-out, an abort, a body over the limit, a redirect it may not follow and
    // any final status other than 2xx. A transfer that ends while its name lookup still hangs
    // returns at once; the lookup finishes on its own.
    std::string get(const std::string &address);

    // The schemes a transfer starting at address may be redirected to, in libcurl's list form:
    // "https" for an https:// address (any letter case), so that nothing sent or received
    // over TLS moves to plain text; "http,https" for any other.
    static const char *redirectProtocols(std::string_view address);

    // The address as it goes on the wire: bytes up to blank, DEL and bytes of 0x80 and above
    // percent-encoded, everything else as formed, so the server reads back the text that was
    // signed.
    static std::string wireAddress(std::string_view address);

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    long m_connectTimeoutMs = kConnectTimeoutMs;
    long m_totalTimeoutMs = kTotalTimeoutMs;
    std::size_t m_maxBodyBytes = kMaxBodyBytes;
    const std::atomic<bool> *m_abort = nullptr;
};

// Several GETs in flight at once, as a browser fetches the pictures of a page: at most
// kMaxHostConnections connections to one host, and HTTP/2 streams on one connection where an
// https:// host offers it. Each transfer follows HttpClient's rules: the same headers,
// time-outs, body limit, redirects and schemes, and the same errors. Connections are kept for
// later transfers. Not thread-safe: one thread drives it.
class ParallelFetch {
public:
    static constexpr long kMaxHostConnections = 6;

    // One ended transfer: the tag it was added with, and its body or what went wrong.
    struct Result {
        std::uint64_t tag = 0;
        std::string body;
        std::optional<HttpError> error;
    };

    ParallelFetch();
    ~ParallelFetch();
    ParallelFetch(const ParallelFetch &) = delete;
    ParallelFetch &operator=(const ParallelFetch &) = delete;

    // While *flag is true, transfers in flight end as Reason::Aborted and added ones do not
    // start; as HttpClient::setAbortFlag.
    void setAbortFlag(const std::atomic<bool> *flag);

    // Starts a GET of address (as HttpClient::get takes it); its result carries tag.
    void add(std::uint64_t tag, const std::string &address);
    // Transfers added and not yet handed back by wait().
    std::size_t pending() const;
    // Drives the transfers until at least one has ended and hands back those that have, in
    // the order they ended; empty when none is pending. Once the abort flag is set, every
    // pending transfer ends at once as aborted.
    std::vector<Result> wait();

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    const std::atomic<bool> *m_abort = nullptr;
};

}  // namespace quenbo
