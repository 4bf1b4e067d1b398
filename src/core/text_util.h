#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

// Small text helpers, the one home of each: UTF-8 walking, trimming blanks, trailing "/".

namespace quenbo {

// The code point that starts at text[at] and the number of bytes it takes. A byte that does
// not start a well-formed sequence (a stray continuation byte, a lead byte without its
// continuations, an overlong or out-of-range lead) stands for itself as one character of one
// byte, so a walk never stops inside a sequence and never skips a byte.
std::pair<char32_t, std::size_t> decodeUtf8At(std::string_view text, std::size_t at);

// The offset of the first byte of text that is not part of a well-formed UTF-8 sequence
// (overlong forms, surrogates and code points above U+10FFFF included), or npos.
std::size_t firstInvalidUtf8(std::string_view text);

// The text without blanks and control characters (bytes 0 to 32) at either end.
std::string_view trimBlanks(std::string_view text);

// The address without any "/" at its end.
std::string_view withoutTrailingSlashes(std::string_view address);

}  // namespace quenbo
