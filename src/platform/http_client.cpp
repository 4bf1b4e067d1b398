#include "platform/http_client.h"

#include "platform/percent_encoding.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace quenbo {

namespace {

// How long a transfer waits for its socket before it looks at the abort flag again. libcurl's
// own progress callback runs only about once a second while no data flows, which would hold a
// stalled transfer, and the shutdown that waits for it, for up to a second.
constexpr int kAbortPollMs = 20;

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// One connection handle and the state of the transfer it runs. It stays at one address in
// memory, since libcurl holds pointers to it.
struct Transfer {
    CURL *easy = nullptr;
    std::string wire;
    std::string body;
    std::size_t limit = 0;
    bool overLimit = false;
    const std::atomic<bool> *abort = nullptr;
    std::uint64_t tag = 0;
    char error[CURL_ERROR_SIZE] = {};

    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    // A handle with the settings every transfer shares; headers must outlive it.
    Transfer(curl_slist *headers, long httpVersion);
    ~Transfer() { curl_easy_cleanup(easy); }

    // Sets up the next transfer, a GET of address.
    void prepare(const std::string &address, long connectTimeoutMs, long totalTimeoutMs,
                 std::size_t maxBodyBytes, const std::atomic<bool> *abortFlag);
    // What became of the transfer that ended with result: nothing for a 2xx reply, else the
    // error that says why there is no body.
    std::optional<HttpError> outcome(CURLcode result) const;
};

std::size_t collectBody(char *data, std::size_t size, std::size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const std::size_t bytes = size * count;
    if (bytes > transfer->limit - transfer->body.size()) {
        transfer->overLimit = true;
        return 0;  // makes libcurl end the transfer with a write error
    }
    transfer->body.append(data, bytes);
    return bytes;
}

int checkAbort(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto *transfer = static_cast<const Transfer *>(user);
    return transfer->abort && transfer->abort->load() ? 1 : 0;
}

Transfer::Transfer(curl_slist *headers, long httpVersion)
{
    initialiseCurlOnce();
    easy = curl_easy_init();
    if (!easy)
        throw HttpError("cannot create an HTTP connection handle");
    const std::string agent(HttpClient::kUserAgent);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, httpVersion);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, HttpClient::kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A transfer that ends while its name lookup still runs (stopped, timed out) returns at
    // once and leaves the lookup's thread to end on its own, freeing what it holds then.
    // Otherwise a silent name server would hold the transfer, and the worker shutdown that
    // joins it, for as long as the lookup takes.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, checkAbort);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
}

void Transfer::prepare(const std::string &address, long connectTimeoutMs, long totalTimeoutMs,
                       std::size_t maxBodyBytes, const std::atomic<bool> *abortFlag)
{
    wire = HttpClient::wireAddress(address);
    body.clear();
    limit = maxBodyBytes;
    overLimit = false;
    abort = abortFlag;
    error[0] = '\0';
    curl_easy_setopt(easy, CURLOPT_URL, wire.c_str());
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, HttpClient::redirectProtocols(wire));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, totalTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBodyBytes));
}

std::optional<HttpError> Transfer::outcome(CURLcode result) const
{
    if (result != CURLE_OK) {
        std::string text;
        HttpError::Reason reason = HttpError::Reason::Connection;
        if (overLimit || result == CURLE_FILESIZE_EXCEEDED) {
            text = "the body is larger than " + std::to_string(limit) + " bytes";
            reason = HttpError::Reason::TooLarge;
        } else if (result == CURLE_ABORTED_BY_CALLBACK) {
            text = "aborted";
            reason = HttpError::Reason::Aborted;
        } else {
            text = error[0] != '\0' ? error : curl_easy_strerror(result);
            if (result == CURLE_OPERATION_TIMEDOUT)
                reason = HttpError::Reason::Timeout;
            else if (result == CURLE_TOO_MANY_REDIRECTS || result == CURLE_UNSUPPORTED_PROTOCOL)
                reason = HttpError::Reason::Redirect;
        }
        return HttpError("GET " + wire + ": " + text, reason);
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return HttpError("GET " + wire + ": HTTP status " + std::to_string(status),
                         HttpError::Reason::Status, status);
    return std::nullopt;
}

// The request headers every transfer sends besides its user agent.
struct RequestHeaders {
    curl_slist *list = nullptr;

    RequestHeaders()
    {
        const std::string accept = "Accept: " + std::string(HttpClient::kAccept);
        list = curl_slist_append(nullptr, accept.c_str());
        if (!list)
            throw HttpError("cannot create an HTTP connection handle");
    }
    ~RequestHeaders() { curl_slist_free_all(list); }
    RequestHeaders(const RequestHeaders &) = delete;
    RequestHeaders &operator=(const RequestHeaders &) = delete;
};

// A multi handle, which keeps the connections of the transfers it ran for the next ones.
struct MultiHandle {
    CURLM *multi = nullptr;

    MultiHandle()
    {
        initialiseCurlOnce();
        multi = curl_multi_init();
        if (!multi)
            throw HttpError("cannot create an HTTP connection handle");
    }
    ~MultiHandle() { curl_multi_cleanup(multi); }
    MultiHandle(const MultiHandle &) = delete;
    MultiHandle &operator=(const MultiHandle &) = delete;
};

}  // namespace

struct HttpClient::Handle {
    // Declared in this order so that the transfer goes before the multi handle and the
    // headers it uses.
    RequestHeaders headers;
    MultiHandle connections;
    Transfer transfer{headers.list, CURL_HTTP_VERSION_1_1};

    // Runs the prepared transfer to its end, as curl_easy_perform would, but wakes at least
    // every kAbortPollMs to end it at once when abort is set. The multi handle keeps the
    // connection for the next transfer (keep-alive).
    CURLcode perform(const std::atomic<bool> *abort)
    {
        CURLM *multi = connections.multi;
        if (curl_multi_add_handle(multi, transfer.easy) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode result = CURLE_OK;
        bool done = false;
        while (!done) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            int queued = 0;
            while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == transfer.easy) {
                    result = message->data.result;
                    done = true;
                }
            }
            if (done)
                break;
            if (abort && abort->load()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, kAbortPollMs, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
        }
        curl_multi_remove_handle(multi, transfer.easy);
        return result;
    }
};

HttpClient::HttpClient()
    : m_handle(std::make_unique<Handle>())
{
}

HttpClient::~HttpClient() = default;

void HttpClient::setTimeouts(long connectMs, long totalMs)
{
    m_connectTimeoutMs = connectMs;
    m_totalTimeoutMs = totalMs;
}

void HttpClient::setMaxBodyBytes(std::size_t bytes)
{
    m_maxBodyBytes = bytes;
}

void HttpClient::setAbortFlag(const std::atomic<bool> *flag)
{
    m_abort = flag;
}

std::string HttpClient::get(const std::string &address)
{
    if (m_abort && m_abort->load())
        throw HttpError("GET " + wireAddress(address) + ": aborted", HttpError::Reason::Aborted);
    Transfer &transfer = m_handle->transfer;
    transfer.prepare(address, m_connectTimeoutMs, m_totalTimeoutMs, m_maxBodyBytes, m_abort);
    if (std::optional<HttpError> error = transfer.outcome(m_handle->perform(m_abort)))
        throw *std::move(error);
    return std::move(transfer.body);
}

struct ParallelFetch::Handle {
    RequestHeaders headers;
    MultiHandle connections;
    std::vector<std::unique_ptr<Transfer>> running;
    std::vector<std::unique_ptr<Transfer>> spare;  // handles of ended transfers, for reuse
    std::vector<Result> ended;                     // not yet handed back

    Handle()
    {
        curl_multi_setopt(connections.multi, CURLMOPT_MAX_HOST_CONNECTIONS, kMaxHostConnections);
        curl_multi_setopt(connections.multi, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
    }

    // Running transfers leave the multi handle before it is cleaned up; being declared after
    // it, every connection handle is freed before it as well.
    ~Handle()
    {
        for (const auto &transfer : running)
            curl_multi_remove_handle(connections.multi, transfer->easy);
    }

    // Takes the transfer out of the multi handle and files its result.
    void end(std::size_t index, std::optional<HttpError> error)
    {
        std::unique_ptr<Transfer> transfer = std::move(running[index]);
        running.erase(running.begin() + std::ptrdiff_t(index));
        curl_multi_remove_handle(connections.multi, transfer->easy);
        Result result{transfer->tag, {}, std::move(error)};
        if (!result.error)
            result.body = std::move(transfer->body);
        transfer->body = std::string();
        ended.push_back(std::move(result));
        spare.push_back(std::move(transfer));
    }

    // Ends every running transfer with the same error.
    void endAll(std::string_view what, HttpError::Reason reason)
    {
        while (!running.empty()) {
            const std::string &wire = running.back()->wire;
            end(running.size() - 1, HttpError("GET " + wire + ": " + std::string(what), reason));
        }
    }

    std::size_t indexOf(CURL *easy) const
    {
        std::size_t index = 0;
        while (index < running.size() && running[index]->easy != easy)
            ++index;
        return index;
    }
};

ParallelFetch::ParallelFetch()
    : m_handle(std::make_unique<Handle>())
{
}

ParallelFetch::~ParallelFetch() = default;

void ParallelFetch::setAbortFlag(const std::atomic<bool> *flag)
{
    m_abort = flag;
}

void ParallelFetch::add(std::uint64_t tag, const std::string &address)
{
    Handle &h = *m_handle;
    if (m_abort && m_abort->load()) {
        h.ended.push_back({tag,
                           {},
                           HttpError("GET " + HttpClient::wireAddress(address) + ": aborted",
                                     HttpError::Reason::Aborted)});
        return;
    }
    std::unique_ptr<Transfer> transfer;
    if (h.spare.empty()) {
        transfer = std::make_unique<Transfer>(h.headers.list, CURL_HTTP_VERSION_2TLS);
    } else {
        transfer = std::move(h.spare.back());
        h.spare.pop_back();
    }
    transfer->tag = tag;
    transfer->prepare(address, HttpClient::kConnectTimeoutMs, HttpClient::kTotalTimeoutMs,
                      HttpClient::kMaxBodyBytes, m_abort);
    h.running.push_back(std::move(transfer));
    // A handle the multi handle refuses is ended at once; taking it out again is harmless.
    if (curl_multi_add_handle(h.connections.multi, h.running.back()->easy) != CURLM_OK)
        h.end(h.running.size() - 1,
              HttpError("GET " + h.running.back()->wire + ": the connection handle failed"));
}

std::size_t ParallelFetch::pending() const
{
    return m_handle->running.size() + m_handle->ended.size();
}

std::vector<ParallelFetch::Result> ParallelFetch::wait()
{
    constexpr std::string_view kBrokeDown = "the connection handle failed";
    Handle &h = *m_handle;
    CURLM *multi = h.connections.multi;
    while (h.ended.empty() && !h.running.empty()) {
        if (m_abort && m_abort->load()) {
            h.endAll("aborted", HttpError::Reason::Aborted);
            break;
        }
        int still = 0;
        if (curl_multi_perform(multi, &still) != CURLM_OK) {
            h.endAll(kBrokeDown, HttpError::Reason::Connection);
            break;
        }
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            const std::size_t index = h.indexOf(message->easy_handle);
            if (index < h.running.size()) {
                const CURLcode result = message->data.result;
                h.end(index, h.running[index]->outcome(result));
            }
        }
        if (h.ended.empty() &&
            curl_multi_poll(multi, nullptr, 0, kAbortPollMs, nullptr) != CURLM_OK)
            h.endAll(kBrokeDown, HttpError::Reason::Connection);
    }
    return std::exchange(h.ended, {});
}

const char *HttpClient::redirectProtocols(std::string_view address)
{
    constexpr std::string_view https = "https:";
    const bool secure = address.size() >= https.size() &&
                        std::equal(https.begin(), https.end(), address.begin(), [](char a, char b) {
                            return std::tolower(static_cast<unsigned char>(b)) == a;
                        });
    return secure ? "https" : "http,https";
}

std::string HttpClient::wireAddress(std::string_view address)
{
    return percentEncode(address, [](unsigned char byte) { return byte > 0x20 && byte < 0x7F; });
}

}  // namespace quenbo
