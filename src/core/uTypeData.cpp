#include "core/uTypeData.h"

#include <cmath>

namespace quenbo {

const std::array<std::string_view, kCreditLevels> kCreditNames = {
    "1heart",       "2heart",       "3heart",       "4heart",       "5heart",
    "1diamond",     "2diamond",     "3diamond",     "4diamond",     "5diamond",
    "1crown",       "2crown",       "3crown",       "4crown",       "5crown",
    "1goldencrown", "2goldencrown", "3goldencrown", "4goldencrown", "5goldencrown",
};

std::string_view CreditLevelName(int level)
{
    if (level < 1 || level > kCreditLevels)
        return {};
    return kCreditNames[std::size_t(level - 1)];
}

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

}  // namespace quenbo
