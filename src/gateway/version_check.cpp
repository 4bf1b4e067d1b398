#include "gateway/version_check.h"

#include "core/text_util.h"
#include "platform/http_client.h"

#include <utility>

namespace quenbo {

std::vector<std::string> SplitText(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (const char c : text) {
        if (c == separator) {
            pieces.push_back(std::move(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(std::move(piece));
    return pieces;
}

UpdateOffer ReadVersionText(std::string_view text)
{
    const std::vector<std::string> fields = SplitText(text, '|');
    UpdateOffer offer;
    if (fields.empty() || fields[0] == kReleaseTag)
        return offer;
    offer.askToUpgrade = true;
    if (fields.size() > 1)
        // A version file saved with a line end carries it in its last field; an address never
        // holds blanks or line ends at its ends.
        offer.address = std::string(trimBlanks(fields[1]));
    return offer;
}

std::string SiteAddress(std::string_view siteUrl, std::string_view path)
{
    return std::string(withoutTrailingSlashes(siteUrl)).append(path);
}

UpdateOffer FetchUpdateOffer(std::string_view siteUrl, const std::atomic<bool> *abort)
{
    HttpClient http;
    http.setAbortFlag(abort);
    http.setTimeouts(kVersionConnectTimeoutMs, kVersionTotalTimeoutMs);
    http.setMaxBodyBytes(kVersionMaxBytes);
    return ReadVersionText(http.get(SiteAddress(siteUrl, kVersionFilePath)));
}

}  // namespace quenbo
