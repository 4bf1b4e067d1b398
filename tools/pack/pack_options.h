#pragma once

#include "common/command_line.h"
#include "pack/settings_entry.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo::pack {

// What the command line asks for.
struct PackOptions {
    std::string outPath;
    std::vector<Setting> settings;  // in the order given, each key at most once
    std::string exportDir;          // empty: no export
};

// The outcome of reading the command line: options, a request for help, or an error message
// that names the offending argument.
struct ParsedOptions : tools::CommandLineResult {
    PackOptions options;
};

// Reads the arguments after the program name. Options take their value as the next argument
// or after "=" ("--out FILE", "--out=FILE"). Keys are matched without regard to letter case and
// kept in their canonical spelling; a key given twice is an error, so no value is dropped
// silently.
ParsedOptions parsePackOptions(std::span<const std::string_view> args);

// The --help text.
std::string packUsageText();

}  // namespace quenbo::pack
