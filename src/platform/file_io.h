#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whole-file reads and atomic whole-file writes. Failures are reported as false; the layers
// above turn them into their own errors.

namespace quenbo {

// Reads the regular file at path into bytes. False (bytes left as they were) when the file
// is missing, not a regular file, unreadable or larger than maxBytes.
bool readWholeFile(const std::string &path, std::uint64_t maxBytes,
                   std::vector<std::uint8_t> &bytes);
bool readWholeFile(const std::string &path, std::uint64_t maxBytes, std::string &text);

// Whether an atomic write waits for the data to reach the disk before the rename. Settings
// are synced; cache files, which can always be fetched again, are not.
enum class WriteSync { Synced, Unsynced };

// Writes bytes to a temporary file beside path and renames it over path, so a reader sees
// either the old content or the whole new one. An existing file keeps its permission bits.
// False when any step fails, with errno telling why; the temporary file is then removed and
// path is untouched.
bool writeFileAtomically(const std::string &path, std::string_view bytes,
                         WriteSync sync = WriteSync::Synced);

}  // namespace quenbo
