#include "version_check.h"

#include <utility>

namespace quenbo {

namespace {

// A version file saved with a line end carries it in its last field; an address never holds
// blanks or line ends at its ends, so they are dropped before the address goes to the browser.
std::string TrimAddress(std::string_view field)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = field.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(field.substr(first, field.find_last_not_of(kBlanks) - first + 1));
}

}  // namespace

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
        offer.address = TrimAddress(fields[1]);
    return offer;
}

}  // namespace quenbo
