#include "sandbox/connection_drop.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>

namespace quenbo::sandbox {

namespace {

bool sameEndpoint(const sockaddr_storage &address, std::string_view host, int port)
{
    char text[INET6_ADDRSTRLEN] = {};
    int actualPort = -1;
    if (address.ss_family == AF_INET) {
        const auto &v4 = reinterpret_cast<const sockaddr_in &>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        actualPort = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        actualPort = ntohs(v6.sin6_port);
    } else {
        return false;
    }
    return actualPort == port && host == text;
}

bool matches(int fd, std::string_view localAddr, int localPort, std::string_view remoteAddr,
             int remotePort)
{
    sockaddr_storage local{};
    sockaddr_storage remote{};
    socklen_t localSize = sizeof local;
    socklen_t remoteSize = sizeof remote;
    return getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localSize) == 0 &&
           getpeername(fd, reinterpret_cast<sockaddr *>(&remote), &remoteSize) == 0 &&
           sameEndpoint(local, localAddr, localPort) &&
           sameEndpoint(remote, remoteAddr, remotePort);
}

}  // namespace

bool dropConnection(std::string_view localAddr, int localPort, std::string_view remoteAddr,
                    int remotePort)
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return false;
    bool dropped = false;
    while (const dirent *entry = readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir))
            continue;
        if (matches(static_cast<int>(fd), localAddr, localPort, remoteAddr, remotePort)) {
            dropped = shutdown(static_cast<int>(fd), SHUT_RDWR) == 0;
            break;
        }
    }
    closedir(dir);
    return dropped;
}

}  // namespace quenbo::sandbox
