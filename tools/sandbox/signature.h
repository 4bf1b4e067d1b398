#pragma once

#include "sandbox/query_string.h"

#include <string>
#include <string_view>

namespace quenbo::sandbox {

// The sandbox's signature check is written apart from the client's signing on purpose, MD5
// and hex digits included: it is the independent check that the client signs as the platform
// does, so it shares none of the client's code.

// MD5 (RFC 1321) of the bytes of text as 32 upper-case hexadecimal digits.
std::string md5Upper(std::string_view text);

// True when sign is the request's signature: the upper-case MD5 of the secret followed by
// every parameter but "sign", each name directly followed by its value, in ascending byte
// order of the names (equal names keep their order). Names that begin with "__" are the
// sandbox's own test switches and are not signed.
//
// The client signs a value holding "Z#" as if it held "&" (its sort borrows "Z#" as a stand-in
// for "&" and turns every "Z#" back into "&" afterwards); that rendering is accepted too, so
// what the client sends is never refused for it. The platform would refuse it.
bool signatureMatches(const QueryParams &params, std::string_view secret, std::string_view sign);

// The signature in the platform's rule above, for parameters without "sign".
std::string platformSignature(const QueryParams &params, std::string_view secret);

}  // namespace quenbo::sandbox
