#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

// The sandbox's own addresses. Every address handed out is the base address
// ("http://127.0.0.1:PORT") followed by one of these paths.
inline constexpr std::string_view kGatewayPath = "/router/rest";
inline constexpr std::string_view kIndexPath = "/index.xml";
// + id, and + id + "_b.jpg"; + opaque id, and + opaque id + "_310x310.jpg"
inline constexpr std::string_view kPicturePath = "/pic/";
inline constexpr std::string_view kClickPath = "/click?id=";
inline constexpr std::string_view kShopPath = "/shop?sid=";
inline constexpr std::string_view kCashBackPath = "/fanxian?id=";  // + id + six-digit code
inline constexpr std::string_view kDownloadPath = "/download";
inline constexpr std::string_view kVersionPath = "/bate.txt";
inline constexpr std::string_view kHelpPath = "/blog/post/1.html";
inline constexpr std::string_view kFeedbackPath = "/blog/post/3.html";
inline constexpr std::string_view kFaultControlPath = "/__control/fault";
inline constexpr std::string_view kFaultClearPath = "/__control/clear";
// The targets of the last requests received, one a line, oldest first.
inline constexpr std::string_view kReceivedPath = "/__control/requests";
inline constexpr std::string_view kControlPrefix = "/__control/";

inline std::string joined(std::string_view base, std::string_view path, std::string_view tail)
{
    std::string out(base);
    out += path;
    out += tail;
    return out;
}

inline std::string pictureUrl(std::string_view base, std::string_view numIid)
{
    return joined(base, kPicturePath, numIid);
}

inline std::string clickUrl(std::string_view base, std::string_view numIid)
{
    return joined(base, kClickPath, numIid);
}

inline std::string shopUrl(std::string_view base, std::uint32_t seller)
{
    return joined(base, kShopPath, std::to_string(seller));
}

}  // namespace quenbo::sandbox
