#pragma once

#include <ctime>
#include <string>

namespace quenbo {

// The local date and time of when as the gateway's timestamp: "yyyy-mm-dd hh:mm:ss".
std::string RequestTimestamp(std::time_t when);
// The same for the present moment.
std::string RequestTimestamp();

}  // namespace quenbo
