#include "common/command_line.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <optional>

namespace quenbo::tools {

CommandLineResult readCommandLine(std::span<const std::string_view> args,
                                  std::initializer_list<std::string_view> flags,
                                  std::initializer_list<std::string_view> options,
                                  const ArgumentHandler &take)
{
    const auto among = [](std::initializer_list<std::string_view> names, std::string_view name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    CommandLineResult result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != name.npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if ((name == "--help" || name == "-h") && !inlineValue) {
            result.help = true;
            return result;
        }
        const bool flag = among(flags, name) && !inlineValue;
        if (!flag && !among(options, name)) {
            result.error = "unknown argument: " + std::string(args[i]);
            return result;
        }
        if (!flag && !inlineValue && i + 1 >= args.size()) {
            result.error = std::string(name) + " needs a value";
            return result;
        }
        const std::string_view value = flag          ? std::string_view()
                                       : inlineValue ? *inlineValue
                                                     : args[++i];
        result.error = take(name, value);
        if (!result.error.empty())
            return result;
    }
    return result;
}

int runProgram(std::string_view program, const CommandLineResult &read, const std::string &usage,
               const std::function<int()> &run)
{
    if (read.help) {
        std::cout << usage;
        return 0;
    }
    if (!read.error.empty()) {
        std::cerr << program << ": " << read.error << "\n"
                  << "Try '" << program << " --help'.\n";
        return 2;
    }
    try {
        return run();
    } catch (const std::exception &error) {
        std::cerr << program << ": " << error.what() << "\n";
        return 1;
    }
}

}  // namespace quenbo::tools
