#pragma once

#include <stdexcept>

namespace quenbo::pack {

// Raised for anything that stops the packer: its message is shown to the user as it is.
class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace quenbo::pack
