#include "gateway/request_time.h"

namespace quenbo {

std::string RequestTimestamp(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string RequestTimestamp()
{
    return RequestTimestamp(std::time(nullptr));
}

}  // namespace quenbo
