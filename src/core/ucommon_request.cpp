#include "core/ucommon.h"

#include "core/md5.h"
#include "core/number_format.h"
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

}  // namespace

void TCommon::SortParams(std::vector<std::string> &elements)
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

std::string TCommon::SignRequest(const std::vector<std::string> &elements) const
{
    std::vector<std::string> pairs;
    pairs.reserve(elements.size());
    for (std::string_view element : elements) {
        if (!element.empty() && element.front() == '&')
            element.remove_prefix(1);
        const std::size_t equals = element.find('=');
        const std::string_view name = element.substr(0, equals);
        if (name == "sign")
            continue;
        std::string pair(name);
        if (equals != std::string_view::npos)
            pair.append(element.substr(equals + 1));
        pairs.push_back(std::move(pair));
    }
    SortParams(pairs);
    std::string signedText = AppSecret;
    for (const std::string &pair : pairs)
        signedText += pair;
    return Md5Hex(signedText);
}

std::string TCommon::BuildRequestUrl(const std::vector<std::string> &elements) const
{
    std::vector<std::string> sorted = elements;
    SortParams(sorted);
    std::string url = GatewayUrl();
    for (const std::string &element : sorted)
        url += element;
    return url;
}

std::string TCommon::GatewayUrl() const
{
    const std::string_view base = Gateway.empty() ? kProductionGateway : std::string_view(Gateway);
    return std::string(withoutTrailingSlashes(base)) + "/router/rest?";
}

std::string TCommon::UrlEncode(std::string_view text, bool spaceAsPlus)
{
    std::string encoded = percentEncode(text);
    // Every byte became one "%XX" group, so "%20" can only be a whole group: a space.
    if (spaceAsPlus)
        replaceAll(encoded, "%20", "+");
    return encoded;
}

std::string TCommon::CashBackCode(std::string_view amount)
{
    constexpr std::size_t kCodeLength = 6;
    const auto padded = [](std::string digits) {
        return std::string(kCodeLength - digits.size(), '0') + digits;
    };
    const std::size_t point = amount.find('.');
    if (point == std::string_view::npos) {
        if (amount.empty())
            return "000000";
        if (amount.size() > 4)
            return {};
        return padded(std::string(amount) + "00");
    }
    std::string digits(amount.substr(0, point));
    digits.append(amount.substr(point + 1));
    const std::size_t fraction = amount.size() - point - 1;
    if (fraction == 1 && !digits.empty() && digits.size() <= 5)
        return padded(digits + "0");
    if (fraction == 2 && digits.size() >= 2 && digits.size() <= 6)
        return padded(digits);
    return {};
}

std::string TCommon::CashBackUrl(const TTaoBaoData &item) const
{
    return FanXianUrl + item.NumIid + CashBackCode(formatGeneral(item.CashBack));
}

}  // namespace quenbo
