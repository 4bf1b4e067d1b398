#pragma once

#include <string>

namespace quenbo {

class TZipFile;

// The start-up message for base settings that did not decode: names the first setting of the
// archive's "config.ini" entry that is missing or does not decode, in the order the program
// reads them, and the archive file, followed by the decoder's own message for that setting
// ("Invalid file format", "Invalid Base64 Character"). reason, the message that stopped the
// start, stands in where no single setting can be named.
std::string DescribeSettingsFailure(const TZipFile &zip, const std::string &archivePath,
                                    const std::string &reason);

}  // namespace quenbo
