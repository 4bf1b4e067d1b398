#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quenbo::pack {

// Writes bytes to path through a temporary file in the same folder (path + ".tmp-XXXXXX"),
// flushed to disk and then renamed over path, so path is either the complete new file or left
// as it was. The temporary file is removed on failure. Raises PackError naming the path.
void writeFileReplacing(const std::string &path, std::span<const std::uint8_t> bytes);

}  // namespace quenbo::pack
