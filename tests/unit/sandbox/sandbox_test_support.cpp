#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace quenbo::sandbox::test {

namespace {

std::string hexUpper(const unsigned char *bytes, unsigned int length)
{
    std::string out;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        out += pair;
    }
    return out;
}

std::string encodeEveryByte(const std::string &text)
{
    std::string out;
    char piece[4];
    for (const unsigned char c : text) {
        std::snprintf(piece, sizeof piece, "%%%02X", c);
        out += piece;
    }
    return out;
}

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->jump, 1);
}

bool readJpegHeader(const unsigned char *data, unsigned long size, int *width, int *height)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOnError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    const bool ok = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
    *width = static_cast<int>(info.image_width);
    *height = static_cast<int>(info.image_height);
    jpeg_destroy_decompress(&info);
    return ok;
}

}  // namespace

std::string localTimestamp(std::time_t t)
{
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

Params commonParams(const std::string &method, std::time_t when)
{
    return {{"app_key", std::string(kDefaultAppKey)},
            {"format", "xml"},
            {"method", method},
            {"timestamp", localTimestamp(when)},
            {"v", "2.0"}};
}

std::string clientSignature(Params params, const std::string &secret)
{
    std::stable_sort(params.begin(), params.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::string text = secret;
    for (const auto &[name, value] : params)
        text += name + value;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    return hexUpper(digest, length);
}

std::string targetWithSign(const Params &params, const std::string &sign)
{
    std::string target = "/router/rest?";
    for (const auto &[name, value] : params)
        target += name + "=" + encodeEveryByte(value) + "&";
    return target + "sign=" + sign;
}

std::string signedTarget(Params params, const std::string &secret)
{
    return targetWithSign(params, clientSignature(params, secret));
}

RunningSandbox::RunningSandbox(SandboxConfig config)
    : m_server(std::make_unique<SandboxServer>(std::move(config)))
{
    m_server->start();
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_server->port());
    m_client->set_url_encode(false);
    m_client->set_read_timeout(10, 0);
}

httplib::Response RunningSandbox::get(const std::string &target)
{
    const auto result = m_client->Get(target.c_str());
    EXPECT_TRUE(result) << target << ": " << httplib::to_string(result.error());
    return result ? *result : httplib::Response();
}

bool RunningSandbox::setFault(const std::string &form)
{
    const auto result =
        m_client->Post("/__control/fault", form, "application/x-www-form-urlencoded");
    return result && result->status == 200;
}

pugi::xml_document parseXml(const std::string &body)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(body.data(), body.size());
    EXPECT_TRUE(parsed) << parsed.description() << " in " << body.substr(0, 300);
    return doc;
}

std::pair<int, int> jpegSize(const std::string &bytes)
{
    int width = 0;
    int height = 0;
    if (!readJpegHeader(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), &width,
                        &height))
        return {0, 0};
    return {width, height};
}

RawConnection::RawConnection(int port)
{
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ADD_FAILURE() << "cannot connect to port " << port;
        close(m_fd);
        m_fd = -1;
    }
}

RawConnection::~RawConnection()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool RawConnection::sendGet(const std::string &target)
{
    return send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

bool RawConnection::send(const std::string &request)
{
    return m_fd >= 0 && ::send(m_fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                            static_cast<ssize_t>(request.size());
}

bool RawConnection::receiveMore()
{
    char buffer[16384];
    const ssize_t got = m_fd < 0 ? -1 : recv(m_fd, buffer, sizeof buffer, 0);
    if (got <= 0)
        return false;
    m_pending.append(buffer, static_cast<std::size_t>(got));
    return true;
}

bool RawConnection::awaitFirstByte()
{
    return !m_pending.empty() || receiveMore();
}

std::string RawConnection::readAnswer()
{
    std::size_t headEnd;
    while ((headEnd = m_pending.find("\r\n\r\n")) == std::string::npos) {
        if (!receiveMore())
            return std::exchange(m_pending, {});
    }
    std::size_t length = 0;
    const std::string head = m_pending.substr(0, headEnd);
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (const std::size_t at = lower.find("content-length:"); at != std::string::npos)
        length = std::stoul(head.substr(at + 15));
    const std::size_t total = headEnd + 4 + length;
    while (m_pending.size() < total) {
        if (!receiveMore())
            break;
    }
    std::string answer = m_pending.substr(0, std::min(total, m_pending.size()));
    m_pending.erase(0, answer.size());
    return answer;
}

}  // namespace quenbo::sandbox::test
