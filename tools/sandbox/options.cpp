#include "sandbox/options.h"

#include "common/command_line.h"

#include <charconv>
#include <limits>
#include <utility>

namespace quenbo::sandbox {

namespace {

template <typename Number>
bool readNumber(std::string_view text, Number low, Number high, Number &out)
{
    Number value{};
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || text.empty() || value < low ||
        value > high)
        return false;
    out = value;
    return true;
}

}  // namespace

ParsedOptions parseOptions(std::span<const std::string_view> args)
{
    SandboxConfig config;
    const auto take = [&](std::string_view name, std::string_view value) -> std::string {
        if (name == "--lenient-time") {
            config.lenientTime = true;
        } else if (name == "--host") {
            if (!isLoopbackHost(value))
                return "--host must be a loopback address (127.0.0.1, ::1 or localhost), not " +
                       std::string(value);
            config.host = value;
        } else if (name == "--port") {
            if (!readNumber(value, 0, 65535, config.port))
                return "--port must be a number from 0 to 65535, not " + std::string(value);
        } else if (name == "--seed") {
            if (!readNumber(value, std::uint64_t(0), std::numeric_limits<std::uint64_t>::max(),
                            config.seed))
                return "--seed must be a non-negative whole number, not " + std::string(value);
        } else if (name == "--latency") {
            if (!readNumber(value, 0, kMaxLatencyMs, config.latencyMs))
                return "--latency must be a number of milliseconds from 0 to " +
                       std::to_string(kMaxLatencyMs) + ", not " + std::string(value);
        } else if (name == "--app-key") {
            config.appKey = value;
        } else if (name == "--app-secret") {
            config.appSecret = value;
        } else if (name == "--adzone-id") {
            if (value.empty() || value.size() > 18 ||
                value.find_first_not_of("0123456789") != std::string_view::npos)
                return "--adzone-id must be digits, not " + std::string(value);
            config.adzoneId = value;
        } else {
            config.versionText = value;
        }
        return {};
    };
    // The braces read the command line before they move the configuration it filled in.
    return {tools::readCommandLine(args, {"--lenient-time"},
                                   {"--host", "--port", "--app-key", "--app-secret", "--adzone-id",
                                    "--version", "--seed", "--latency"},
                                   take),
            std::move(config)};
}

std::string usageText()
{
    std::string text = R"(Usage: quenbo-sandbox [options]

A local stand-in for the platform gateway, the picture server and the maker's web site.
Serves on loopback only. The first line printed is the base address, http://HOST:PORT.

Options:
  --host HOST         loopback address to bind (127.0.0.1, ::1 or localhost); default 127.0.0.1
  --port N            port to bind, 0 for a free one; default 0
  --app-key K         application key the gateway accepts; default )";
    text += kDefaultAppKey;
    text += R"(
  --app-secret S      application secret requests are signed with; default )";
    text += kDefaultAppSecret;
    text += R"(
  --adzone-id N       the one adzone_id the material search accepts; default )";
    text += kDefaultAdzoneId;
    text += R"(
  --version TEXT      body of /bate.txt; "{base}" stands for the base address;
                      default "v1|{base}/download"
  --seed N            seed of the generated catalogue and pictures; default 1
  --lenient-time      accept any well-formed timestamp (no 10-minute window)
  --latency MS        hold every answer of BASE/router/rest and BASE/pic/... MS milliseconds
                      before its first byte, each request on its own (0 to 60000); default 0
  -h, --help          show this text

Addresses (BASE is the first line printed):
  BASE/router/rest                gateway: taobao.itemcats.get, taobao.taobaoke.items.get,
                                  taobao.tbk.dg.material.optional.upgrade
  BASE/index.xml                  start-up list in the item answer format (IndexUrl)
  BASE/pic/ID_b.jpg               item picture (pic_url is BASE/pic/ID)
  BASE/pic/OPAQUE_310x310.jpg     the same picture by the material search's item id
                                  (pict_url is BASE/pic/OPAQUE)
  BASE/click?id=ID                item page (click_url; the material search's click_url and
                                  coupon_share_url are //HOST:PORT/click?id=OPAQUE...)
  BASE/shop?sid=N                 shop page (shop_click_url)
  BASE/fanxian?id=                cash-back prefix (FanXianUrl); + item id (either kind)
                                  + six-digit code
  BASE/bate.txt                   version file
  BASE/blog/post/1.html, /3.html  help and feedback pages

The material search takes q (keyword) and/or cat (category ids, comma separated), an adzone_id
equal to --adzone-id (else the platform's "pid不正确" refusal), page_no, page_size (1 to 100,
default 20), start_price/end_price in yuan, start_tk_rate/end_tk_rate in hundredths of a
percent, and sort: final_promotion_price, tk_rate or total_sales, each with _asc or _des (any
other sort is refused). Its item ids are opaque (25 letters and digits, "-", 17 more).

Fault switches (for tests):
  POST BASE/__control/fault with form or query parameters
      path=/some/path | picture=ID    what to break (picture=ID means /pic/ID_b.jpg, or
                                      /pic/ID_310x310.jpg for an opaque id)
      kind=K                          not_found, html, truncated, empty, slow,
                                      redirect_loop, drop, malformed, oversized;
                                      none removes the rule
      method=M                        only gateway requests for method M
      delay_ms=N                      for slow (default 2000, at most 30000)
      bytes=N                         for truncated (default: half the body) and oversized
                                      (the body padded with blanks to N; default 40 MiB)
      times=N                         break only the next N requests (default: all)
      latency_ms=N                    set the latency (as --latency), alone or with a rule
  POST BASE/__control/clear           remove every rule and put the latency back to --latency
  GET BASE/__control/requests         the targets of the last 512 requests, oldest first
  Any request may also carry __fault=K (with __delay_ms=N, __bytes=N) in its own query;
  parameters whose names begin with "__" are never signed.
)";
    return text;
}

}  // namespace quenbo::sandbox
