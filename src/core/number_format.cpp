#include "core/number_format.h"

#include "platform/percent_encoding.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace quenbo {

namespace {

constexpr int kSignificantDigits = 15;
// The smallest rounded value still written in fixed notation is 1E-5.
constexpr int kSmallestFixedExponent = -5;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::string formatGeneral(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    // "d.dddddddddddddde+XX": the value rounded to 15 significant digits.
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view scientific(buffer, std::size_t(result.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits;
    digits += scientific[0];
    digits.append(scientific.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());

    std::string text = value < 0 ? "-" : "";
    if (exponent >= kSmallestFixedExponent && exponent < kSignificantDigits) {
        if (exponent < 0) {
            text += "0.";
            text.append(std::size_t(-exponent - 1), '0');
            text += digits;
        } else {
            const std::size_t whole = std::size_t(exponent) + 1;
            if (digits.size() <= whole) {
                text += digits;
                text.append(whole - digits.size(), '0');
            } else {
                text.append(digits, 0, whole);
                text += '.';
                text.append(digits, whole);
            }
        }
        return text;
    }
    text += digits[0];
    if (digits.size() > 1) {
        text += '.';
        text.append(digits, 1);
    }
    text += 'E';
    text += std::to_string(exponent);
    return text;
}

std::optional<std::int32_t> parseWholeNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 2147483648u : 2147483647u);
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? hexDigitValue(text[i]) : (isDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + std::uint64_t(digit);
        if (magnitude > limit)
            return std::nullopt;
    }
    const std::uint32_t pattern = std::uint32_t(negative ? 0 - magnitude : magnitude);
    return static_cast<std::int32_t>(pattern);
}

double parseNumber(std::string_view text, double defaultValue)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    // Checked by hand first: from_chars would also take "inf", "nan" and hexadecimal forms.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    const std::size_t numberStart = i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    if (digits == 0)
        return defaultValue;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        const std::size_t exponentStart = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return defaultValue;
    }
    if (i != text.size())
        return defaultValue;
    double value = 0;
    const char *first = text.data() + numberStart;
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return defaultValue;
    return text.front() == '-' ? -value : value;
}

}  // namespace quenbo
