#pragma once

#include "sandbox/addresses.h"
#include "sandbox/query_string.h"
#include "sandbox/sandbox_server.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// What a sandbox received, read by the end-to-end suites: requests are counted from a mark, so
// a test checks only what its own step sent.

namespace quenbo::testsupport {

// One request the sandbox received: its path and its decoded query parameters.
struct ReceivedRequest {
    std::string path;
    std::map<std::string, std::string> params;

    bool isGateway() const { return path == sandbox::kGatewayPath; }
    std::string param(const std::string &name) const
    {
        const auto found = params.find(name);
        return found == params.end() ? std::string() : found->second;
    }
};

class ReceivedLog {
public:
    explicit ReceivedLog(const sandbox::SandboxServer &server)
        : m_server(server)
    {
    }

    // Forgets what was received so far.
    void mark() { m_mark = m_server.receivedCount(); }

    // Every request received since the last mark that the log still holds, oldest first.
    std::vector<ReceivedRequest> since() const
    {
        std::vector<ReceivedRequest> out;
        for (const std::string &target : m_server.receivedSince(m_mark)) {
            ReceivedRequest request;
            request.path = target.substr(0, target.find('?'));
            for (const auto &[name, value] : sandbox::parseQuery(sandbox::queryOf(target)))
                request.params[name] = value;
            out.push_back(std::move(request));
        }
        return out;
    }

    // The requests since the last mark but the pictures, which workers fetch meanwhile.
    std::vector<ReceivedRequest> pages() const
    {
        std::vector<ReceivedRequest> out;
        for (ReceivedRequest &request : since())
            if (!request.path.starts_with(sandbox::kPicturePath))
                out.push_back(std::move(request));
        return out;
    }

    // The gateway requests since the last mark.
    std::vector<ReceivedRequest> gateway() const
    {
        std::vector<ReceivedRequest> out;
        for (ReceivedRequest &request : since())
            if (request.isGateway())
                out.push_back(std::move(request));
        return out;
    }

private:
    const sandbox::SandboxServer &m_server;
    std::size_t m_mark = 0;
};

}  // namespace quenbo::testsupport
