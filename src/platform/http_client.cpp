#include "platform/http_client.h"

#include "platform/percent_encoding.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace quenbo {

namespace {

struct Transfer {
    std::string body;
    std::size_t limit = 0;
    bool overLimit = false;
    const std::atomic<bool> *abort = nullptr;
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

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

// How long a transfer waits for its socket before it looks at the abort flag again. libcurl's
// own progress callback runs only about once a second while no data flows, which would hold a
// stalled transfer, and the shutdown that waits for it, for up to a second.
constexpr int kAbortPollMs = 20;

struct HttpClient::Handle {
    CURLM *multi = nullptr;
    CURL *curl = nullptr;
    curl_slist *headers = nullptr;
    char error[CURL_ERROR_SIZE] = {};

    Handle()
    {
        initialiseCurlOnce();
        curl = curl_easy_init();
        multi = curl_multi_init();
        if (!curl || !multi) {
            curl_easy_cleanup(curl);
            curl_multi_cleanup(multi);
            throw HttpError("cannot create an HTTP connection handle");
        }
        const std::string accept = "Accept: " + std::string(kAccept);
        headers = curl_slist_append(nullptr, accept.c_str());
        const std::string agent(kUserAgent);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        // A transfer that ends while its name lookup still runs (stopped, timed out) returns at
        // once and leaves the lookup's thread to end on its own, freeing what it holds then.
        // Otherwise a silent name server would hold the transfer, and the worker shutdown that
        // joins it, for as long as the lookup takes.
        curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkAbort);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }

    ~Handle()
    {
        curl_multi_cleanup(multi);
        curl_easy_cleanup(curl);
        curl_slist_free_all(headers);
    }

    // Runs the transfer set up on curl to its end, as curl_easy_perform would, but wakes at
    // least every kAbortPollMs to end it at once when abort is set. The multi handle keeps the
    // connection for the next transfer (keep-alive).
    CURLcode perform(const std::atomic<bool> *abort)
    {
        if (curl_multi_add_handle(multi, curl) != CURLM_OK)
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
                if (message->msg == CURLMSG_DONE && message->easy_handle == curl) {
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
        curl_multi_remove_handle(multi, curl);
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
    const std::string wire = wireAddress(address);
    if (m_abort && m_abort->load())
        throw HttpError("GET " + wire + ": aborted", HttpError::Reason::Aborted);

    Transfer transfer;
    transfer.limit = m_maxBodyBytes;
    transfer.abort = m_abort;
    CURL *curl = m_handle->curl;
    m_handle->error[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_URL, wire.c_str());
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, redirectProtocols(wire));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, m_totalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode result = m_handle->perform(m_abort);
    if (result != CURLE_OK) {
        std::string text;
        HttpError::Reason reason = HttpError::Reason::Connection;
        if (transfer.overLimit || result == CURLE_FILESIZE_EXCEEDED) {
            text = "the body is larger than " + std::to_string(m_maxBodyBytes) + " bytes";
            reason = HttpError::Reason::TooLarge;
        } else if (result == CURLE_ABORTED_BY_CALLBACK) {
            text = "aborted";
            reason = HttpError::Reason::Aborted;
        } else {
            text = m_handle->error[0] != '\0' ? m_handle->error : curl_easy_strerror(result);
            if (result == CURLE_OPERATION_TIMEDOUT)
                reason = HttpError::Reason::Timeout;
            else if (result == CURLE_TOO_MANY_REDIRECTS || result == CURLE_UNSUPPORTED_PROTOCOL)
                reason = HttpError::Reason::Redirect;
        }
        throw HttpError("GET " + wire + ": " + text, reason);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        throw HttpError("GET " + wire + ": HTTP status " + std::to_string(status),
                        HttpError::Reason::Status, status);
    return std::move(transfer.body);
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
