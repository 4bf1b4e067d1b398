#include "core/uTypeData.h"

#include "core/number_format.h"

#include <cmath>

namespace quenbo {

double CashBack(double commission)
{
    static_assert(sizeof(long double) > sizeof(double),
                  "the cash-back rule needs an extended-precision long double");
    const double half = commission / 2;
    const long double quotient = static_cast<long double>(half) / static_cast<long double>(0.01);
    // nearbyintl rounds in the current mode; the default mode is to nearest, ties to even.
    const long double k = std::nearbyintl(quotient);
    return static_cast<double>(k * static_cast<long double>(0.01));
}

std::string CashBackCode(std::string_view amount)
{
    constexpr std::size_t kCodeLength = 6;
    const auto padded = [](std::string digits) {
        return std::string(kCodeLength - digits.size(), '0') + digits;
    };
    const std::size_t point = amount.find('.');
    if (point == std::string_view::npos) {
        if (amount.empty())
            return "000000";
        if (amount.size() > 4)
            return {};
        return padded(std::string(amount) + "00");
    }
    std::string digits(amount.substr(0, point));
    digits.append(amount.substr(point + 1));
    const std::size_t fraction = amount.size() - point - 1;
    if (fraction == 1 && !digits.empty() && digits.size() <= 5)
        return padded(digits + "0");
    if (fraction == 2 && digits.size() >= 2 && digits.size() <= 6)
        return padded(digits);
    return {};
}

std::string CashBackAddress(std::string_view fanXianUrl, std::string_view id, double cashBack)
{
    return std::string(fanXianUrl).append(id) + CashBackCode(formatGeneral(cashBack));
}

}  // namespace quenbo
