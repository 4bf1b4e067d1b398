#include "sandbox/faults.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

namespace quenbo::sandbox {

namespace {

constexpr std::array<std::pair<std::string_view, FaultKind>, 9> kKinds{{
    {"not_found", FaultKind::NotFound},
    {"html", FaultKind::Html},
    {"truncated", FaultKind::Truncated},
    {"empty", FaultKind::Empty},
    {"slow", FaultKind::Slow},
    {"redirect_loop", FaultKind::RedirectLoop},
    {"drop", FaultKind::Drop},
    {"malformed", FaultKind::Malformed},
    {"oversized", FaultKind::Oversized},
}};

const std::string *find(const QueryParams &params, std::string_view name)
{
    for (const auto &[key, value] : params) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

std::optional<long long> number(const std::string *text, long long low, long long high)
{
    if (!text || text->empty() || text->size() > 12)
        return std::nullopt;
    long long value = 0;
    for (const char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

// Reads kind, delay and byte count under the given parameter names.
std::optional<Fault> readFault(const QueryParams &params, std::string_view kindName,
                               std::string_view delayName, std::string_view bytesName,
                               std::string &error)
{
    const std::string *kindText = find(params, kindName);
    const auto kind = kindText ? parseFaultKind(*kindText) : std::nullopt;
    if (!kind) {
        error = "unknown fault kind; use not_found, html, truncated, empty, slow, "
                "redirect_loop, drop, malformed, oversized or none";
        return std::nullopt;
    }
    Fault fault;
    fault.kind = *kind;
    if (const std::string *delay = find(params, delayName)) {
        const auto value = number(delay, 0, kMaxDelayMs);
        if (!value) {
            error = "delay_ms must be 0 to " + std::to_string(kMaxDelayMs);
            return std::nullopt;
        }
        fault.delayMs = static_cast<int>(*value);
    }
    if (const std::string *bytes = find(params, bytesName)) {
        const auto value = number(bytes, 0, 1LL << 30);
        if (!value) {
            error = "bytes must be a byte count";
            return std::nullopt;
        }
        fault.bytes = static_cast<std::size_t>(*value);
    }
    return fault;
}

}  // namespace

std::optional<FaultKind> parseFaultKind(std::string_view name)
{
    for (const auto &[text, kind] : kKinds) {
        if (text == name)
            return kind;
    }
    return std::nullopt;
}

std::optional<FaultRequest> parseFaultRequest(const QueryParams &params, std::string &error)
{
    FaultRequest request;
    if (const std::string *latency = find(params, "latency_ms")) {
        const auto value = number(latency, 0, kMaxLatencyMs);
        if (!value) {
            error = "latency_ms must be 0 to " + std::to_string(kMaxLatencyMs);
            return std::nullopt;
        }
        request.latencyMs = static_cast<int>(*value);
        if (!find(params, "picture") && !find(params, "path") && !find(params, "kind"))
            return request;
    }
    FaultRule rule;
    if (const std::string *picture = find(params, "picture")) {
        const auto digit = [](char c) { return c >= '0' && c <= '9'; };
        const auto opaque = [&](char c) {
            return digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
        };
        if (picture->empty() || !std::all_of(picture->begin(), picture->end(), opaque)) {
            error = "picture must be an item id";
            return std::nullopt;
        }
        const bool numeric = std::all_of(picture->begin(), picture->end(), digit);
        rule.path = "/pic/" + *picture + (numeric ? "_b.jpg" : "_310x310.jpg");
    } else if (const std::string *path = find(params, "path"); path && path->starts_with('/')) {
        rule.path = *path;
    } else {
        error = "give path=/some/path or picture=ITEM_ID";
        return std::nullopt;
    }
    if (const std::string *method = find(params, "method"))
        rule.method = *method;

    if (const std::string *kind = find(params, "kind"); kind && *kind == "none") {
        request.rule = std::move(rule);
        request.removal = true;
        return request;
    }
    const auto fault = readFault(params, "kind", "delay_ms", "bytes", error);
    if (!fault)
        return std::nullopt;
    rule.fault = *fault;
    if (const std::string *times = find(params, "times")) {
        const auto value = number(times, 1, 1000000);
        if (!value) {
            error = "times must be a positive count";
            return std::nullopt;
        }
        rule.times = static_cast<int>(*value);
    }
    request.rule = std::move(rule);
    return request;
}

std::optional<Fault> parseRequestFault(const QueryParams &params)
{
    if (!find(params, "__fault"))
        return std::nullopt;
    std::string ignored;
    return readFault(params, "__fault", "__delay_ms", "__bytes", ignored);
}

FaultSwitches::FaultSwitches(int latencyMs)
    : m_startLatencyMs(latencyMs)
    , m_latencyMs(latencyMs)
{
}

void FaultSwitches::set(FaultRule rule)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_rules, [&](const FaultRule &old) {
        return old.path == rule.path && old.method == rule.method;
    });
    m_rules.push_back(std::move(rule));
}

void FaultSwitches::remove(std::string_view path, std::string_view method)
{
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_rules,
                  [&](const FaultRule &old) { return old.path == path && old.method == method; });
}

void FaultSwitches::clear()
{
    const std::lock_guard lock(m_mutex);
    m_rules.clear();
    m_latencyMs = m_startLatencyMs;
}

void FaultSwitches::setLatency(int ms)
{
    const std::lock_guard lock(m_mutex);
    m_latencyMs = ms;
}

void FaultSwitches::holdForLatency()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(m_latencyMs), [this] { return m_shutDown; });
}

std::optional<Fault> FaultSwitches::take(std::string_view path, const QueryParams &params)
{
    if (auto own = parseRequestFault(params))
        return own;
    const std::string *method = find(params, "method");
    const std::lock_guard lock(m_mutex);
    for (auto rule = m_rules.begin(); rule != m_rules.end(); ++rule) {
        if (rule->path != path || (!rule->method.empty() && (!method || *method != rule->method)))
            continue;
        const Fault fault = rule->fault;
        if (rule->times && --*rule->times == 0)
            m_rules.erase(rule);
        return fault;
    }
    return std::nullopt;
}

void FaultSwitches::pause(int ms)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_shutDown; });
}

void FaultSwitches::shutDown()
{
    {
        const std::lock_guard lock(m_mutex);
        m_shutDown = true;
    }
    m_wake.notify_all();
}

}  // namespace quenbo::sandbox
