#include "sandbox/query_string.h"

#include "platform/percent_encoding.h"

namespace quenbo::sandbox {

namespace {

std::string decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                   hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

QueryParams parseQuery(std::string_view query)
{
    QueryParams params;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view piece = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (piece.empty())
            continue;
        const std::size_t eq = piece.find('=');
        if (eq == std::string_view::npos)
            params.emplace_back(decode(piece), std::string());
        else
            params.emplace_back(decode(piece.substr(0, eq)), decode(piece.substr(eq + 1)));
    }
    return params;
}

std::string_view queryOf(std::string_view target)
{
    const std::size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

std::string percentEncode(std::string_view text)
{
    return quenbo::percentEncode(text, [](unsigned char byte) {
        return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
               (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' ||
               byte == '~';
    });
}

}  // namespace quenbo::sandbox
