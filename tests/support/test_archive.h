#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// Resource archives made by tests the way the packer makes them: every entry encrypted with the
// archive password, settings as protected values. Qt-free, shared by every suite.

namespace quenbo::testsupport {

using ArchiveEntries = std::map<std::string, std::vector<std::uint8_t>>;

// INI text of section "config" whose values are the protected texts of the plain values.
std::string protectedConfig(const std::map<std::string, std::string> &plain);

// Writes a ZIP archive at file with every entry under traditional PKWARE encryption with the
// archive password. Raises std::runtime_error when libzip fails.
void writeEncryptedArchive(const std::filesystem::path &file, const ArchiveEntries &entries);

}  // namespace quenbo::testsupport
