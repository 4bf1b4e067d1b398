#pragma once

#include "sandbox/catalogue.h"
#include "sandbox/query_string.h"

#include <ctime>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

inline constexpr std::string_view kCategoriesMethod = "taobao.itemcats.get";
inline constexpr std::string_view kItemsMethod = "taobao.taobaoke.items.get";
inline constexpr std::string_view kMaterialMethod = "taobao.tbk.dg.material.optional.upgrade";

struct GatewaySettings {
    std::string appKey;
    std::string appSecret;
    bool lenientTime = false;  // accept any well-formed timestamp, however far from the clock
    std::string adzoneId;      // the one ad zone the material search accepts
};

// The platform's REST gateway for the methods the client calls: the categories, and items by
// the old affiliate method or by the material search. Checks the app key, the method, the
// timestamp, the signature, the format and the version, in that order, then the method's own
// arguments, and answers in the platform's XML (an error_response on refusal).
// Thread-safe: it only reads the catalogue and its settings.
class Gateway {
public:
    // baseUrl ("http://127.0.0.1:PORT") prefixes the picture, click and shop addresses.
    Gateway(const Catalogue &catalogue, GatewaySettings settings, std::string baseUrl);

    // The answer to a request with these (percent-decoded) parameters, judged against the
    // sandbox's clock value now.
    std::string answer(const QueryParams &params, std::time_t now) const;

    // The start-up selection in the item answer format, with every item field.
    std::string featuredAnswer() const;

private:
    std::string categories(const QueryParams &params) const;
    std::string items(const QueryParams &params) const;
    std::string materialItems(const QueryParams &params) const;

    const Catalogue &m_catalogue;
    GatewaySettings m_settings;
    std::string m_baseUrl;
};

// Reads "yyyy-mm-dd hh:mm:ss" as local time; false for any other text or an impossible date.
bool parseTimestamp(std::string_view text, std::time_t &out);

}  // namespace quenbo::sandbox
