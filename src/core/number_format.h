#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number texts as the settings file, the favourites store and the cash-back address use them.
// All are independent of the process locale: "." is always the decimal point.

namespace quenbo {

// The shortest decimal text of value with at most 15 significant digits: rounded to 15
// digits, trailing zeros dropped; fixed notation ("12.34", "0.05", "3") when the rounded
// value is at least 0.00001 and has at most 15 digits before the point, otherwise
// scientific notation ("1E-6", "1.5E20"). Zero gives "0"; NaN and infinities "NAN", "INF",
// "-INF".
std::string formatGeneral(double value);

// A 32-bit whole number: leading blanks skipped, an optional "-" or "+", then decimal
// digits, or hexadecimal digits after one of the prefixes "$", "x", "X", "0x", "0X". Nothing
// may follow the digits. Decimal values must fit the signed range; hexadecimal values up to
// FFFFFFFF are taken as their 32-bit pattern. Nothing when the text is not such a number.
std::optional<std::int32_t> parseWholeNumber(std::string_view text);

// A decimal floating-point number with optional sign, fraction and exponent, surrounded by
// optional blanks ("12.5", " -3e2 ", ".5"); defaultValue when the text is anything else or
// out of the range of a double.
double parseNumber(std::string_view text, double defaultValue = 0);

}  // namespace quenbo
