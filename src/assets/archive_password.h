#pragma once

#include <string>

namespace quenbo {

// The 19-character password of the resource archive. It is never stored as one literal:
// each call picks its characters out of a table. Shared by the reader and the packer.
std::string ArchivePassword();

}  // namespace quenbo
