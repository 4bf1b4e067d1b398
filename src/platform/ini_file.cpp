#include "platform/ini_file.h"

#include "platform/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quenbo {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

enum class LineKind { Blank, Comment, Section, Key };

struct Line {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name
    std::string_view value;  // key lines only
};

Line classify(std::string_view raw, bool first)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (first && raw.substr(0, bom.size()) == bom)
        raw.remove_prefix(bom.size());
    const std::string_view line = trim(raw);
    if (line.empty())
        return {};
    if (line.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
        return {LineKind::Section, trim(line.substr(1, line.size() - 2)), {}};
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::Key, line, {}};
    return {LineKind::Key, trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
}

bool hasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string unableToWrite(const std::string &file)
{
    return "Unable to write to " + file;
}

}  // namespace

IniText::IniText(std::string_view text)
{
    if (text.find('\n') != std::string_view::npos && text.find("\r\n") == std::string_view::npos)
        m_lineEnd = "\n";
    m_endsWithLineEnd = !text.empty() && text.back() == '\n';
    if (m_endsWithLineEnd)
        text.remove_suffix(1);
    else if (text.empty())
        return;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        m_lines.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

IniText::Found IniText::find(std::string_view section, std::string_view key) const
{
    Found found;
    bool inSection = false;
    bool inFirstBlock = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line line = classify(m_lines[i], i == 0);
        if (line.kind == LineKind::Section) {
            inSection = sameName(line.name, section);
            inFirstBlock = inSection && !found.sectionStart;
            if (inFirstBlock) {
                found.sectionStart = i;
                found.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (inFirstBlock && line.kind != LineKind::Blank)
            found.sectionEnd = i + 1;
        if (line.kind == LineKind::Key && sameName(line.name, key)) {
            found.keyLine = i;
            break;
        }
    }
    return found;
}

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const
{
    const Found found = find(section, key);
    if (!found.keyLine)
        return std::nullopt;
    return std::string(classify(m_lines[*found.keyLine], *found.keyLine == 0).value);
}

void IniText::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    if (key.empty() || trim(key) != key || trim(section) != section ||
        key.find_first_of("=;[\r\n") != std::string_view::npos ||
        section.find_first_of("]\r\n") != std::string_view::npos || hasLineBreak(value))
        throw IniError("Invalid INI name or value");
    const std::string ending = m_lineEnd == "\r\n" ? "\r" : "";
    const std::string line = std::string(key) + "=" + std::string(value);
    const Found found = find(section, key);
    if (found.keyLine) {
        std::string &old = m_lines[*found.keyLine];
        const bool hadReturn = !old.empty() && old.back() == '\r';
        old = line + (hadReturn ? "\r" : "");
        return;
    }
    // A last line without its line end gets one before anything follows it.
    const auto endLastLine = [&] {
        if (!m_endsWithLineEnd && !m_lines.empty() &&
            (m_lines.back().empty() || m_lines.back().back() != '\r'))
            m_lines.back() += ending;
        m_endsWithLineEnd = true;
    };
    if (found.sectionStart) {
        if (found.sectionEnd == m_lines.size())
            endLastLine();
        m_lines.insert(m_lines.begin() + std::ptrdiff_t(found.sectionEnd), line + ending);
        return;
    }
    endLastLine();
    m_lines.push_back("[" + std::string(section) + "]" + ending);
    m_lines.push_back(line + ending);
}

std::string IniText::text() const
{
    std::string out;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (i > 0)
            out += '\n';
        out += m_lines[i];
    }
    if (m_endsWithLineEnd)
        out += '\n';
    return out;
}

std::optional<std::string> readIniValue(const std::string &file, std::string_view section,
                                        std::string_view key)
{
    std::string text;
    if (!readWholeFile(file, kMaxIniFileSize, text))
        return std::nullopt;
    return IniText(text).value(section, key);
}

void writeIniValue(const std::string &file, std::string_view section, std::string_view key,
                   std::string_view value)
{
    std::string text;
    const int probe = openRegularFile(file, O_WRONLY);
    if (probe >= 0) {
        ::close(probe);
        if (!readWholeFile(file, kMaxIniFileSize, text))
            throw IniError(unableToWrite(file));
    } else if (errno != ENOENT) {
        throw IniError(unableToWrite(file));
    }
    IniText ini(text);
    ini.setValue(section, key, value);
    writeIniText(file, ini.text());
}

void writeIniText(const std::string &file, std::string_view text)
{
    if (!writeFileAtomically(file, text))
        throw IniError(unableToWrite(file));
}

}  // namespace quenbo
