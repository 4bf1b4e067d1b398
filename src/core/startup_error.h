#pragma once

#include <string>

namespace quenbo {

class TZipFile;

// The start-up message for base settings that did not decode: says in Chinese which setting of
// the archive's "config.ini" entry is missing or does not decode (the first, in the order the
// program reads them), then "：", the archive file and the decoder's own message for that
// setting ("Invalid file format", "Invalid Base64 Character"). reason, the message that
// stopped the start, stands in where no single setting can be named.
std::string DescribeSettingsFailure(const TZipFile &zip, const std::string &archivePath,
                                    const std::string &reason);

}  // namespace quenbo
