#pragma once

#include "sandbox/query_string.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo::sandbox {

// The failures the sandbox can be told to show instead of a normal answer.
enum class FaultKind {
    NotFound,      // "not_found": status 404 with a small HTML page
    Html,          // "html": status 200 with an HTML page instead of the expected body
    Truncated,     // "truncated": the normal answer cut to `bytes` bytes (default: half)
    Empty,         // "empty": status 200 with an empty body
    Slow,          // "slow": the normal answer after `delay_ms` milliseconds
    RedirectLoop,  // "redirect_loop": 302 back to the same address, again and again
    Drop,          // "drop": the connection is closed without any answer
    Malformed,     // "malformed": the normal answer with its closing tag cut off
    Oversized,     // "oversized": the normal answer padded with blanks to `bytes` bytes
};

std::optional<FaultKind> parseFaultKind(std::string_view name);

inline constexpr int kDefaultDelayMs = 2000;
inline constexpr int kMaxDelayMs = 30000;
inline constexpr int kMaxLatencyMs = 60000;
// Larger than any answer or picture a client should take in.
inline constexpr std::size_t kDefaultOversizedBytes = 40u << 20;

struct Fault {
    FaultKind kind = FaultKind::NotFound;
    int delayMs = kDefaultDelayMs;     // Slow only; 0 to kMaxDelayMs
    std::optional<std::size_t> bytes;  // Truncated and Oversized only
};

// A standing fault: it applies to requests for `path` (exact, decoded), and when `method` is
// set only to gateway requests for that method; `times` uses, or every request when absent.
struct FaultRule {
    std::string path;
    std::string method;
    Fault fault;
    std::optional<int> times;
};

// Reads the control request's parameters: a rule, a latency, or both. The rule is path=P or
// picture=ID (the path "/pic/ID_b.jpg" for a numeric id, "/pic/ID_310x310.jpg" for an opaque
// one), kind=K, and optionally method=M, delay_ms=N, bytes=N, times=N; kind=none asks to remove
// the rule for that path and method (removal is then true). latency_ms=N (0 to kMaxLatencyMs)
// sets the latency; without path, picture or kind it is all the request asks for.
struct FaultRequest {
    std::optional<FaultRule> rule;
    bool removal = false;
    std::optional<int> latencyMs;
};
std::optional<FaultRequest> parseFaultRequest(const QueryParams &params, std::string &error);

// Reads a one-request fault from a request's own parameters: __fault=K with optional
// __delay_ms=N and __bytes=N. Absent or unreadable switches give nothing.
std::optional<Fault> parseRequestFault(const QueryParams &params);

// The standing faults, shared by every connection thread: the rules, and the latency every
// gateway and picture answer waits before it goes out.
class FaultSwitches {
public:
    explicit FaultSwitches(int latencyMs = 0);

    void set(FaultRule rule);  // replaces a rule for the same path and method
    void remove(std::string_view path, std::string_view method);
    // Removes every rule and puts the latency back to the one given at construction.
    void clear();

    void setLatency(int ms);
    // Waits the current latency in the calling thread, as pause() does.
    void holdForLatency();

    // The fault for a request: its own __fault switch, else the first rule for its path and
    // gateway method, whose use count goes down by one.
    std::optional<Fault> take(std::string_view path, const QueryParams &params);

    // Sleeps for ms milliseconds, or less when shutDown() is called meanwhile.
    void pause(int ms);
    void shutDown();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_shutDown = false;
    std::vector<FaultRule> m_rules;
    const int m_startLatencyMs;
    int m_latencyMs;
};

}  // namespace quenbo::sandbox
