#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// INI text: "[section]" lines open sections, "key=value" lines hold values, lines starting
// with ";" and blank lines are comments. Every line is trimmed of surrounding blanks (bytes up
// to and including space); a key line splits at its first "=", a line without "=" is a key
// with an empty value. Section and key names compare without regard to ASCII letter case and
// the first occurrence counts. Keys before the first section belong to no section.

namespace quenbo {

// Raised by the INI file layer; the message names the file.
class IniError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One INI document kept as its raw lines, so that changing a value rewrites that one line and
// leaves every other line, comment and line ending as it was.
class IniText {
public:
    explicit IniText(std::string_view text = {});

    // The trimmed value of key in section, or nothing when the key is absent.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Sets key in section to value: the key's first line is rewritten as "key=value"; a new key
    // goes after the last non-blank line of the section; a new section goes at the end.
    // Raises IniError for a section, key or value that holds a line break or breaks the
    // line's form (a key with "=" or ";", a section with "]").
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

private:
    struct Found {
        std::size_t sectionEnd = 0;  // one past the last non-blank line of the section
        std::optional<std::size_t> sectionStart;
        std::optional<std::size_t> keyLine;
    };
    Found find(std::string_view section, std::string_view key) const;

    std::vector<std::string> m_lines;  // without their "\n"; a "\r" stays in the line
    std::string m_lineEnd = "\r\n";    // used for lines this object adds
    bool m_endsWithLineEnd = false;
};

// Largest settings file the layer reads; a bigger file counts as unreadable.
inline constexpr std::uint64_t kMaxIniFileSize = 1u << 20;

// The value of key in section of the file, or nothing when the file or the key is missing or
// the file cannot be read.
std::optional<std::string> readIniValue(const std::string &file, std::string_view section,
                                        std::string_view key);

// Sets one value in the file (created when missing), leaving every other line as it was, and
// replaces the file atomically. Raises IniError("Unable to write to <file>") when the file
// cannot be read back whole or written.
void writeIniValue(const std::string &file, std::string_view section, std::string_view key,
                   std::string_view value);

// Replaces the file atomically with text. Raises IniError("Unable to write to <file>").
void writeIniText(const std::string &file, std::string_view text);

}  // namespace quenbo
