#include "core/csv.h"

#include "core/text_util.h"

namespace quenbo {

namespace {

// The line of the byte at offset: 1 plus the LFs before it.
std::size_t lineAt(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i)
        if (text[i] == '\n')
            ++line;
    return line;
}

}  // namespace

std::string csvField(std::string_view value)
{
    if (value.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(value);
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void appendCsvRecord(std::string &out, std::span<const std::string> fields)
{
    if (fields.size() == 1 && fields.front().empty()) {
        out += "\"\"\r\n";
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        out += csvField(fields[i]);
    }
    out += "\r\n";
}

std::vector<CsvRecord> readCsv(std::string_view text)
{
    const std::size_t invalid = firstInvalidUtf8(text);
    if (invalid != std::string_view::npos)
        throw CsvError(lineAt(text, invalid), "含有无效的 UTF-8 字节");

    std::vector<CsvRecord> records;
    std::size_t line = 1;
    std::size_t at = 0;
    // Whether the character at `at` ends a line: LF, or CR followed by LF.
    const auto lineEndAt = [&](std::size_t i) {
        return i < text.size() &&
               (text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'));
    };
    const auto skipLineEnd = [&] {
        at += text[at] == '\r' ? 2 : 1;
        ++line;
    };

    while (at < text.size()) {
        CsvRecord &record = records.emplace_back();
        for (;;) {
            CsvField &field = record.emplace_back();
            field.line = line;
            if (at < text.size() && text[at] == '"') {
                field.quoted = true;
                ++at;
                for (;;) {
                    if (at == text.size())
                        throw CsvError(field.line, "带引号的字段没有结束的引号");
                    const char c = text[at++];
                    if (c == '"') {
                        if (at < text.size() && text[at] == '"') {
                            field.text += '"';
                            ++at;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n')
                        ++line;
                    field.text += c;
                }
                if (at < text.size() && text[at] != ',' && !lineEndAt(at))
                    throw CsvError(line, "结束的引号后面既不是逗号也不是行尾");
            } else {
                while (at < text.size() && text[at] != ',' && !lineEndAt(at)) {
                    if (text[at] == '"')
                        throw CsvError(line, "不带引号的字段里有双引号");
                    if (text[at] == '\r')
                        throw CsvError(line, "不带引号的字段里有回车符");
                    field.text += text[at++];
                }
            }
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            break;
        }
        if (at < text.size())
            skipLineEnd();
    }
    return records;
}

bool isBlankCsvRecord(const CsvRecord &record)
{
    return record.size() == 1 && record.front().text.empty() && !record.front().quoted;
}

}  // namespace quenbo
