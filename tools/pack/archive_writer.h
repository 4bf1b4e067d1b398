#pragma once

#include "pack/archive_entry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quenbo::pack {

// The bytes of a ZIP archive holding the entries in order, each encrypted with traditional
// PKWARE encryption under the password, deflated or stored as the entry asks. Built in
// memory with libzip; raises PackError when libzip fails.
std::vector<std::uint8_t> buildArchive(std::span<const ArchiveEntry> entries,
                                       const std::string &password);

}  // namespace quenbo::pack
