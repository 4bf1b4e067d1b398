#include "core/request_signer.h"

#include "core/md5.h"
#include "core/text_util.h"
#include "platform/percent_encoding.h"

#include <algorithm>

namespace quenbo {

namespace {

void replaceAll(std::string &text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Byte order with ASCII letters folded to lower case: for the parameter names and values
// the requests carry this is the alphabetical order without regard to case ("_" before
// letters).
bool comesBefore(std::string_view a, std::string_view b)
{
    const auto fold = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i)
        if (fold(a[i]) != fold(b[i]))
            return fold(a[i]) < fold(b[i]);
    return a.size() < b.size();
}

// A "name=value" or "&name=value" element split into its name and its value (empty without
// "=").
struct Parameter {
    std::string_view name;
    std::string_view value;
};

Parameter parameterOf(std::string_view element)
{
    if (!element.empty() && element.front() == '&')
        element.remove_prefix(1);
    const std::size_t equals = element.find('=');
    if (equals == std::string_view::npos)
        return {element, {}};
    return {element.substr(0, equals), element.substr(equals + 1)};
}

}  // namespace

void RequestSigner::sortParams(std::vector<std::string> &elements)
{
    // Marking "&" as "Z#" makes every parameter after the first compare above it, so a list
    // given in its final order comes out unchanged.
    for (std::size_t i = elements.size(); i-- > 0;) {
        replaceAll(elements[i], "&", "Z#");
        for (std::size_t j = 0; j <= i; ++j)
            if (comesBefore(elements[i], elements[j]))
                std::swap(elements[i], elements[j]);
    }
    for (std::string &element : elements)
        replaceAll(element, "Z#", "&");
}

std::string RequestSigner::urlEncode(std::string_view text, bool spaceAsPlus)
{
    std::string encoded = percentEncode(text);
    // Every byte became one "%XX" group, so "%20" can only be a whole group: a space.
    if (spaceAsPlus)
        replaceAll(encoded, "%20", "+");
    return encoded;
}

std::string RequestSigner::sign(const std::vector<std::string> &elements) const
{
    std::vector<std::string> pairs;
    pairs.reserve(elements.size());
    for (const std::string &element : elements) {
        const Parameter parameter = parameterOf(element);
        if (parameter.name != "sign")
            pairs.push_back(std::string(parameter.name).append(parameter.value));
    }
    sortParams(pairs);
    std::string signedText(m_secret);
    for (const std::string &pair : pairs)
        signedText += pair;
    return Md5Hex(signedText);
}

std::string RequestSigner::gatewayUrl() const
{
    const std::string_view base = m_gatewayAddress.empty() ? kProductionGateway : m_gatewayAddress;
    return std::string(withoutTrailingSlashes(base)) + "/router/rest?";
}

std::string RequestSigner::requestUrl(const std::vector<std::string> &elements) const
{
    std::vector<std::string> sorted = elements;
    sortParams(sorted);
    std::string url = gatewayUrl();
    for (const std::string &element : sorted)
        url += element;
    return url;
}

std::string RequestSigner::signedAddress(std::vector<std::string> elements,
                                         std::initializer_list<std::string_view> encoded) const
{
    const std::string signature = sign(elements);
    for (std::string &element : elements) {
        const Parameter parameter = parameterOf(element);
        const std::size_t valueAt = element.find('=') + 1;
        if (parameter.name == "sign")
            element = element.substr(0, valueAt) + signature;
        else if (std::find(encoded.begin(), encoded.end(), parameter.name) != encoded.end())
            element = element.substr(0, valueAt) + urlEncode(parameter.value, false);
    }
    std::erase(elements, std::string());
    return requestUrl(elements);
}

}  // namespace quenbo
