#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whole-file reads and atomic whole-file writes. Failures are reported as false; the layers
// above turn them into their own errors.

namespace quenbo {

// Opens path with the open(2) access flags given, only when it names a regular file itself: a
// symbolic link is not followed and a FIFO or device is refused without waiting on it. The
// descriptor (close-on-exec, blocking) or -1 with errno telling why (ELOOP for a link, EINVAL
// for a file that is not regular). The caller closes it.
int openRegularFile(const std::string &path, int flags);

// Reads the regular file at path into bytes, opened as openRegularFile does. False (bytes left
// as they were) when the file is missing, a link, not a regular file, unreadable or larger
// than maxBytes.
bool readWholeFile(const std::string &path, std::uint64_t maxBytes,
                   std::vector<std::uint8_t> &bytes);
bool readWholeFile(const std::string &path, std::uint64_t maxBytes, std::string &text);

// Whether an atomic write waits for the data to reach the disk before the rename. Settings
// are synced; cache files, which can always be fetched again, are not.
enum class WriteSync { Synced, Unsynced };

// Writes bytes to a temporary file beside path and renames it over path, so a reader sees
// either the old content or the whole new one. An existing regular file keeps its permission
// bits; a symbolic link at path is replaced, never written through.
// False when any step fails, with errno telling why; the temporary file is then removed and
// path is untouched.
bool writeFileAtomically(const std::string &path, std::string_view bytes,
                         WriteSync sync = WriteSync::Synced);

}  // namespace quenbo
