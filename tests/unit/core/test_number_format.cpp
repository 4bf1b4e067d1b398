#include "core/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quenbo {
namespace {

TEST(FormatGeneral, WritesTheShortestTextWithFifteenDigits)
{
    const struct {
        double value;
        const char *text;
    } cases[] = {
        {0, "0"},
        {3, "3"},
        {1.5, "1.5"},
        {12.34, "12.34"},
        {0.05, "0.05"},
        {12.5, "12.5"},
        {-2.25, "-2.25"},
        {0.1 + 0.2, "0.3"},  // 0.30000000000000004 rounds at 15 digits
        {1.0 / 3, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E15"},
        {1e15, "1E15"},
        {0.00001, "0.00001"},
        {0.000009, "9E-6"},
        {1.5e-7, "1.5E-7"},
        {9999.99, "9999.99"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
        {std::nan(""), "NAN"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatGeneral(c.value), c.text) << c.text;
}

// Every amount in cents, written canonically, survives reading and writing unchanged.
TEST(FormatGeneral, WritesReadAmountsBackAsTheyWere)
{
    for (int cents = 0; cents < 1000000; cents += 13) {
        std::string text = std::to_string(cents / 100);
        if (const int fraction = cents % 100; fraction != 0) {
            text += '.';
            text += char('0' + fraction / 10);
            if (fraction % 10 != 0)
                text += char('0' + fraction % 10);
        }
        EXPECT_EQ(formatGeneral(parseNumber(text)), text);
    }
}

TEST(ParseWholeNumber, AcceptsDecimalAndHexadecimalForms)
{
    const struct {
        const char *text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"1", 1},
        {"0", 0},
        {"0x10", 16},
        {"0X1a", 26},
        {"$ff", 255},
        {"x7F", 127},
        {"X10", 16},
        {"  42", 42},
        {"+5", 5},
        {"-5", -5},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"0xFFFFFFFF", -1},
        {"007", 7},
        {"2147483648", std::nullopt},
        {"0x100000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"true", std::nullopt},
        {"false", std::nullopt},
        {"yes", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"1 ", std::nullopt},
        {"1.0", std::nullopt},
        {"12a", std::nullopt},
        {"0x1g", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ParseNumber, TakesDecimalNumbersOnly)
{
    const struct {
        const char *text;
        double value;
    } cases[] = {
        {"12.5", 12.5}, {"0", 0},     {"-3", -3},    {"+3", 3},         {" 7.25 ", 7.25},
        {".5", 0.5},    {"5.", 5},    {"1e3", 1000}, {"2.5E-2", 0.025}, {"abc", -1},
        {"", -1},       {".", -1},    {"1e", -1},    {"1,5", -1},       {"inf", -1},
        {"nan", -1},    {"0x10", -1}, {"1e999", -1}, {"12.5abc", -1},   {"--1", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseNumber(c.text, -1), c.value) << '"' << c.text << '"';
    EXPECT_EQ(parseNumber("abc"), 0);
}

}  // namespace
}  // namespace quenbo
