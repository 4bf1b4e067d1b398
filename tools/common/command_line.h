#pragma once

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace quenbo::tools {

// The outcome of reading a command line: a request for help, or the first error, which names
// the offending argument; neither when every argument was taken.
struct CommandLineResult {
    bool help = false;
    std::string error;
};

// Takes one flag (value empty) or one option with its value; returns why it is refused, or
// nothing.
using ArgumentHandler = std::function<std::string(std::string_view name, std::string_view value)>;

// Reads the arguments after the program name in order. "-h" and "--help" stop the reading with
// a request for help. A name in options takes a value, either after "=" ("--port=8360") or as
// the next argument ("--port 8360"); a name in flags takes none. Anything else, a flag written
// with "=", or an option without its value is an error: "unknown argument: ARG",
// "NAME needs a value". The first error of take ends the reading too.
CommandLineResult readCommandLine(std::span<const std::string_view> args,
                                  std::initializer_list<std::string_view> flags,
                                  std::initializer_list<std::string_view> options,
                                  const ArgumentHandler &take);

// Runs a command-line program on the command line it has read. A request for help prints usage
// on standard output and gives exit code 0; an error prints "PROGRAM: ERROR" and a pointer to
// --help on standard error and gives 2. Otherwise gives run's exit code, or, when run raises an
// exception, prints "PROGRAM: WHAT" on standard error and gives 1.
int runProgram(std::string_view program, const CommandLineResult &read, const std::string &usage,
               const std::function<int()> &run);

}  // namespace quenbo::tools
