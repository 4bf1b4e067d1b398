#pragma once

#include <string>
#include <string_view>

namespace quenbo {

// The MD5 digest (RFC 1321) of the text's bytes as 32 upper-case hexadecimal digits, two per
// digest byte in digest order.
std::string Md5Hex(std::string_view text);

}  // namespace quenbo
