#include "local_http_server.h"

#include <chrono>
#include <stdexcept>

namespace quenbo::testsupport {

LocalHttpServer::~LocalHttpServer()
{
    m_server.stop();
    if (m_thread.joinable())
        m_thread.join();
}

void LocalHttpServer::start()
{
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("test server: cannot bind a loopback port");
    // The socket listens from bind on, so requests made before the thread runs just wait.
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // stop() only ends a server that already runs, so the destructor must not come earlier.
    for (int i = 0; i < 5000 && !m_server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace quenbo::testsupport
