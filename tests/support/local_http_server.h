#pragma once

#include <httplib.h>

#include <string>
#include <thread>

// A cpp-httplib server on a free loopback port for the length of one test. Handlers are added
// through server() before start().

namespace quenbo::testsupport {

class LocalHttpServer {
public:
    LocalHttpServer() = default;
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    httplib::Server &server() { return m_server; }
    // Binds 127.0.0.1 on a free port and serves on a thread of its own until destruction.
    void start();
    // "http://127.0.0.1:PORT"
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    int port() const { return m_port; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

}  // namespace quenbo::testsupport
