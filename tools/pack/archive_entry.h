#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quenbo::pack {

// One file of the resource archive, under its exact entry name.
struct ArchiveEntry {
    std::string name;
    std::vector<std::uint8_t> data;
    // Deflate only what is not compressed already (bitmaps, text); JPEG, PNG and GIF are
    // stored as they are.
    bool deflate = false;
};

}  // namespace quenbo::pack
