#pragma once

#include <string>
#include <string_view>

// Hexadecimal digits and percent-encoding, the one home of both for every library.

namespace quenbo {

// The value of a hexadecimal digit in either case ('7' gives 7, 'b' and 'B' 11); -1 for any
// other character.
int hexDigitValue(char c);

// Appends byte as two upper-case hexadecimal digits.
void appendHex(std::string &out, unsigned char byte);

// The text with every byte for which keep returns false written as "%" and two upper-case
// hexadecimal digits; without keep, every byte is encoded, letters and digits included.
std::string percentEncode(std::string_view text, bool (*keep)(unsigned char byte) = nullptr);

}  // namespace quenbo
