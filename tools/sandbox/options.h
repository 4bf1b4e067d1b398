#pragma once

#include "common/command_line.h"
#include "sandbox/sandbox_server.h"

#include <span>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

// The outcome of reading the command line: a configuration, a request for help, or an error
// message that names the offending argument.
struct ParsedOptions : tools::CommandLineResult {
    SandboxConfig config;
};

// Reads the arguments after the program name. Options take their value as the next argument
// or after "=" ("--port 8360", "--port=8360").
ParsedOptions parseOptions(std::span<const std::string_view> args);

// The --help text: every option with its default, the addresses served and the fault switches.
std::string usageText();

}  // namespace quenbo::sandbox
