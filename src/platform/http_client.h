#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// HTTP/1.1 GET into memory over libcurl, as the gateway queries, the version check and the
// picture downloads need it.

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

}  // namespace quenbo
