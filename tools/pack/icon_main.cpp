// quenbo-icon: writes the application icon at one size as a PNG file (a build step).
#include "common/command_line.h"
#include "pack/app_icon.h"
#include "pack/art_style.h"
#include "pictures/picture_writers.h"
#include "platform/file_io.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kMaxSize = 1024;

constexpr std::string_view kUsage =
    "Usage: quenbo-icon --size N --out FILE\n"
    "\n"
    "Writes the application icon, N x N pixels (1 to 1024), as the PNG file FILE.\n";

struct IconOptions {
    int size = 0;
    std::string outPath;
};

// Takes one option, or returns why it is refused.
std::string takeOption(IconOptions &options, std::string_view name, std::string_view value)
{
    if (name == "--out") {
        if (value.empty())
            return "--out needs a non-empty path";
        options.outPath = value;
        return {};
    }
    int size = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), size);
    if (error != std::errc() || end != value.data() + value.size() || size < 1 || size > kMaxSize)
        return "--size needs a whole number from 1 to " + std::to_string(kMaxSize) + ", not '" +
               std::string(value) + "'";
    options.size = size;
    return {};
}

}  // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    IconOptions options;
    quenbo::tools::CommandLineResult read = quenbo::tools::readCommandLine(
        args, {}, {"--size", "--out"}, [&](std::string_view name, std::string_view value) {
            return takeOption(options, name, value);
        });
    if (read.help) {
        std::cout << kUsage;
        return 0;
    }
    if (read.error.empty() && options.size == 0)
        read.error = "--size N is missing";
    if (read.error.empty() && options.outPath.empty())
        read.error = "--out FILE is missing";
    if (!read.error.empty()) {
        std::cerr << "quenbo-icon: " << read.error << "\n" << kUsage;
        return 2;
    }

    try {
        const std::vector<std::uint8_t> png =
            quenbo::EncodePng(quenbo::pack::toRgba(quenbo::pack::appIcon(options.size)));
        const std::string_view bytes(reinterpret_cast<const char *>(png.data()), png.size());
        if (!quenbo::writeFileAtomically(options.outPath, bytes, quenbo::WriteSync::Unsynced)) {
            std::cerr << "quenbo-icon: cannot write " << options.outPath << ": "
                      << std::strerror(errno) << "\n";
            return 1;
        }
    } catch (const std::exception &error) {
        std::cerr << "quenbo-icon: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
