#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The version file on the maker's web server: fields separated by "|", field 0 the version tag,
// field 1 the address of the download page, further fields ignored.

namespace quenbo {

// The path of the version file under the maker's web server.
inline constexpr std::string_view kVersionFilePath = "/bate.txt";
// The version tag of this release, compared exactly, letter case significant.
inline constexpr std::string_view kReleaseTag = "v1";

// A file of a few bytes comes quickly or not at all, and has no reason to be large.
inline constexpr long kVersionConnectTimeoutMs = 5'000;
inline constexpr long kVersionTotalTimeoutMs = 10'000;
inline constexpr std::size_t kVersionMaxBytes = 64 * 1024;

// The pieces of text between separators, byte by byte: an empty piece between two separators
// is kept, an empty last piece is not, and nothing is trimmed (line ends stay in their piece).
std::vector<std::string> SplitText(std::string_view text, char separator);

// What a version file asks of the program.
struct UpdateOffer {
    bool askToUpgrade = false;  // the file has a first field and it is not this release's tag
    std::string address;        // the second field without surrounding blanks and line ends;
                                // empty when the file has none
};

// Reads the body of the version file. An empty body asks nothing; the tag keeps any line end
// (so "v1" followed by a line end and nothing else asks).
UpdateOffer ReadVersionText(std::string_view text);

// A page of the maker's web server: the base address without a closing "/", then the path.
std::string SiteAddress(std::string_view siteUrl, std::string_view path);

// Fetches the version file under siteUrl, on a connection of its own with the short time-outs
// above, and reads it. Raises HttpError for no connection, a time-out, an error status or
// *abort set (from any thread) while it runs.
UpdateOffer FetchUpdateOffer(std::string_view siteUrl, const std::atomic<bool> *abort = nullptr);

}  // namespace quenbo
