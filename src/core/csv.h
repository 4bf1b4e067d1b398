#pragma once

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// CSV text as RFC 4180 describes it, in UTF-8: records of fields separated by commas, a field
// quoted when it holds a comma, a double quote or a line break, a quote inside a quoted field
// doubled. Lines are counted from 1 by their LF, also the LFs inside quoted fields, so a line
// number is the physical line of the text.

namespace quenbo {

// Raised by readCsv for text that is not well-formed CSV, with the line of the fault and the
// reason in Chinese.
class CsvError : public std::runtime_error {
public:
    CsvError(std::size_t line, const std::string &what)
        : std::runtime_error(what)
        , m_line(line)
    {
    }
    std::size_t line() const { return m_line; }

private:
    std::size_t m_line;
};

// One field as read, the line it starts on, and whether it was written in quotes.
struct CsvField {
    std::string text;
    std::size_t line = 0;
    bool quoted = false;
};

// A record: always at least one field, an empty line being one empty unquoted field.
using CsvRecord = std::vector<CsvField>;

// The field as written into a record: as it is, or quoted with its quotes doubled when it
// holds a comma, a double quote, CR or LF.
std::string csvField(std::string_view value);

// Appends one record of fields (at least one) ended by CRLF. A record of one empty field is
// written as "" so that it does not read back as an empty line.
void appendCsvRecord(std::string &out, std::span<const std::string> fields);

// The records of the text. Records end with CRLF or LF; one line break at the very end of the
// text ends the last record and starts none, so an empty text has no records. Raises CsvError
// for bytes that are not UTF-8, a double quote or a lone CR inside an unquoted field, anything
// but a comma or a line end after a closing quote, and a quoted field never closed (the line
// of its opening quote).
std::vector<CsvRecord> readCsv(std::string_view text);

// Whether the record was an empty line: one empty field not written as "".
bool isBlankCsvRecord(const CsvRecord &record);

}  // namespace quenbo
