#include "pack/pack_options.h"

#include "common/command_line.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace quenbo::pack {

namespace {

// The keys, comma separated. Given a width, lines break before a key that would make a line
// longer than width characters, and go on after indent.
std::string keyList(std::size_t width = std::string::npos, std::string_view indent = {})
{
    std::string list;
    std::size_t lineStart = 0;
    for (std::string_view key : settingKeys()) {
        if (!list.empty()) {
            list += ',';
            if (list.size() - lineStart + 1 + key.size() > width) {
                list += '\n';
                list += indent;
                lineStart = list.size();
            } else {
                list += ' ';
            }
        }
        list += key;
    }
    return list;
}

// Adds one KEY=VALUE pair, or returns why it cannot be added.
std::string addSetting(std::string_view pair, std::vector<Setting> &settings)
{
    const std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos)
        return "--set needs KEY=VALUE, not '" + std::string(pair) + "'";
    const std::string_view name = pair.substr(0, eq);
    const std::optional<std::string_view> key = canonicalSettingKey(name);
    if (!key)
        return "unknown key '" + std::string(name) + "' (known keys: " + keyList() + ")";
    const bool seen = std::any_of(settings.begin(), settings.end(),
                                  [&](const Setting &setting) { return setting.key == *key; });
    if (seen)
        return std::string(*key) + " is given twice";
    const std::string_view value = pair.substr(eq + 1);
    if (const std::string problem = settingValueProblem(value); !problem.empty())
        return "the value of " + std::string(*key) + " " + problem;
    settings.push_back(Setting{std::string(*key), std::string(value)});
    return {};
}

}  // namespace

ParsedOptions parsePackOptions(std::span<const std::string_view> args)
{
    PackOptions options;
    const auto take = [&](std::string_view name, std::string_view value) -> std::string {
        if (name == "--set")
            return addSetting(value, options.settings);
        // Empty paths are refused below, so an empty field means "not given yet".
        std::string &path = name == "--out" ? options.outPath : options.exportDir;
        if (!path.empty())
            return std::string(name) + " is given twice";
        if (value.empty())
            return std::string(name) + " needs a non-empty path";
        path = value;
        return {};
    };
    // The braces read the command line before they move the options it filled in.
    ParsedOptions parsed{tools::readCommandLine(args, {}, {"--out", "--set", "--export"}, take),
                         std::move(options)};
    if (!parsed.help && parsed.error.empty() && parsed.options.outPath.empty())
        parsed.error = "--out FILE is missing";
    return parsed;
}

std::string packUsageText()
{
    return "Usage: quenbo-pack --out FILE [--set KEY=VALUE]... [--export DIR]\n"
           "\n"
           "Writes the resource archive FILE (normally data/skin.isn beside the program): every\n"
           "interface picture, drawn by this program, and a config.ini entry holding the\n"
           "protected text of each --set value. Every entry is encrypted with the archive\n"
           "password. FILE is written under a temporary name and renamed into place, so it is\n"
           "either complete or left as it was.\n"
           "\n"
           "  --out FILE         the archive to write (its folder must exist)\n"
           "  --set KEY=VALUE    a setting; KEY is one of\n"
           "                       " +
           keyList(64, "                       ") +
           "\n"
           "                     (letter case of KEY does not matter; each KEY at most once;\n"
           "                     keys left out are left out of config.ini)\n"
           "  --export DIR       also write every entry as a plain file into DIR (made when\n"
           "                     missing), with contact-sheet.png showing all pictures\n"
           "  --help             this text\n";
}

}  // namespace quenbo::pack
