#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quenbo::sandbox {

using QueryParams = std::vector<std::pair<std::string, std::string>>;

// Splits the query part of a request target ("a=1&b=x%20y") into name-value pairs in their
// order, percent-decoding names and values the way a form decoder does ("+" is a blank).
// A piece without "=" is a name with an empty value; empty pieces are skipped; a "%" that is
// not followed by two hexadecimal digits stays as it is.
QueryParams parseQuery(std::string_view query);

// The query part of a request target: everything after the first "?", or nothing.
std::string_view queryOf(std::string_view target);

// Percent-encodes every byte except unreserved ASCII letters, digits and "-_.~".
std::string percentEncode(std::string_view text);

}  // namespace quenbo::sandbox
