#include "gateway/signed_request.h"

#include "core/ucommon.h"

#include <algorithm>

namespace quenbo {

namespace {

// The name of a "name=value" or "&name=value" element.
std::string_view elementName(std::string_view element)
{
    if (!element.empty() && element.front() == '&')
        element.remove_prefix(1);
    return element.substr(0, element.find('='));
}

}  // namespace

std::string SignedAddress(const TCommon &common, std::vector<std::string> elements,
                          std::initializer_list<std::string_view> encoded)
{
    const std::string signature = common.SignRequest(elements);
    for (std::string &element : elements) {
        const std::string_view name = elementName(element);
        const std::size_t valueAt = element.find('=') + 1;
        if (name == "sign")
            element = element.substr(0, valueAt) + signature;
        else if (std::find(encoded.begin(), encoded.end(), name) != encoded.end())
            element =
                element.substr(0, valueAt) + TCommon::UrlEncode(element.substr(valueAt), false);
    }
    std::erase(elements, std::string());
    return common.BuildRequestUrl(elements);
}

}  // namespace quenbo
