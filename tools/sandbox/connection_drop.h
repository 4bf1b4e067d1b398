#pragma once

#include <string_view>

namespace quenbo::sandbox {

// Shuts down the server side of the TCP connection between these two endpoints (as a request
// handler sees them: its local and its remote address and port), so that the peer sees the
// connection closed without an answer. cpp-httplib gives handlers no access to their socket,
// so the socket is found among the process's descriptors by its two endpoints. False when no
// such socket exists.
bool dropConnection(std::string_view localAddr, int localPort, std::string_view remoteAddr,
                    int remotePort);

}  // namespace quenbo::sandbox
