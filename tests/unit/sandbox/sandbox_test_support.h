#pragma once

#include "sandbox/sandbox_server.h"

#include <httplib.h>
#include <pugixml.hpp>

#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quenbo::sandbox::test {

using Params = std::vector<std::pair<std::string, std::string>>;

// Local time as "yyyy-mm-dd hh:mm:ss".
std::string localTimestamp(std::time_t t);

// The parameters every gateway request carries, for the sandbox's default key.
Params commonParams(const std::string &method, std::time_t when = std::time(nullptr));

// A signed gateway target ("/router/rest?..."), signed the way the client signs: the upper-case
// MD5 of the secret and every name directly followed by its raw value, ordered by name. Every
// byte of every value goes on the wire percent-encoded, as the client sends its keyword.
std::string signedTarget(Params params, const std::string &secret = std::string(kDefaultAppSecret));

// The same without the sign parameter, or with the given one.
std::string targetWithSign(const Params &params, const std::string &sign);
std::string clientSignature(Params params, const std::string &secret);

// A sandbox on a free loopback port for the length of one test.
class RunningSandbox {
public:
    explicit RunningSandbox(SandboxConfig config = {});
    SandboxServer &server() { return *m_server; }
    httplib::Client &client() { return *m_client; }
    // GET of a target, which must answer; fails the test otherwise.
    httplib::Response get(const std::string &target);
    // POST of a form to the fault control address; true when it was accepted.
    bool setFault(const std::string &form);

private:
    std::unique_ptr<SandboxServer> m_server;
    std::unique_ptr<httplib::Client> m_client;
};

// The answer parsed as XML; fails the test when it is not well-formed.
pugi::xml_document parseXml(const std::string &body);

// The picture's dimensions from its JPEG header, or {0, 0} when libjpeg cannot read one.
std::pair<int, int> jpegSize(const std::string &bytes);

// A plain TCP connection to the sandbox, for what an HTTP library hides: whether one
// connection carries several requests, and whether the server closes without answering.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    bool sendGet(const std::string &target);
    // Sends the bytes as they are, e.g. a request with a method and headers of its own.
    bool send(const std::string &request);
    // Waits until the first byte of an answer has arrived (at most the ten-second read
    // time-out); false when the connection closed or nothing came.
    bool awaitFirstByte();
    // Reads one whole answer (head and Content-Length body); empty when the connection closed
    // before any byte arrived.
    std::string readAnswer();

private:
    bool receiveMore();

    int m_fd = -1;
    std::string m_pending;
};

}  // namespace quenbo::sandbox::test
