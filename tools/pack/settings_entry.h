#pragma once

#include "pack/archive_entry.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quenbo::pack {

// A protected setting as given on the command line, under its canonical key spelling.
struct Setting {
    std::string key;
    std::string value;
};

// The keys the application reads from the archive's "config.ini", in their canonical spelling:
// the five required ones, the optional Gateway and SiteUrl, and the optional ItemMethod and
// AdzoneId that choose the item search method and the affiliate ad zone it needs.
std::span<const std::string_view> settingKeys();

// The canonical spelling of a key; the application compares keys without regard to letter
// case, so "app_key" is App_Key. Nothing for a key the application does not read.
std::optional<std::string_view> canonicalSettingKey(std::string_view key);

// Why a value cannot be packed (it is not UTF-8 text, or holds a control character that would
// end up inside an address or a request), or an empty text when it can.
std::string settingValueProblem(std::string_view value);

// The "config.ini" entry: a "[config]" line, then one "Key=protected text" line per setting in
// the given order, every line ended by CR LF. Values are protected with the application's key.
ArchiveEntry settingsEntry(std::span<const Setting> settings);

}  // namespace quenbo::pack
