#include "assets/archive_password.h"

#include <array>
#include <cstddef>

namespace quenbo {

std::string ArchivePassword()
{
    static constexpr char kTable[] = "k3Q#vL9x!Tz7mR2&pW5e$Nb8Hj4@sYc6";
    static constexpr std::array<std::size_t, 19> kPicks = {
        11, 4, 27, 1, 17, 8, 30, 22, 14, 2, 25, 19, 6, 29, 0, 13, 21, 9, 24,
    };
    std::string password;
    password.reserve(kPicks.size());
    for (std::size_t pick : kPicks)
        password += kTable[pick];
    return password;
}

}  // namespace quenbo
