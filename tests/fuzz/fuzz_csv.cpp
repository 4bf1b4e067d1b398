#include "core/csv.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads arbitrary bytes as CSV: the reader either refuses them or gives records that, written
// out again, read back field for field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<quenbo::CsvRecord> records;
    try {
        records = quenbo::readCsv(text);
    } catch (const quenbo::CsvError &) {
        return 0;
    }
    std::string written;
    for (const quenbo::CsvRecord &record : records) {
        std::vector<std::string> fields;
        for (const quenbo::CsvField &field : record)
            fields.push_back(field.text);
        quenbo::appendCsvRecord(written, fields);
    }
    const std::vector<quenbo::CsvRecord> again = quenbo::readCsv(written);
    if (again.size() != records.size())
        __builtin_trap();
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (again[r].size() != records[r].size())
            __builtin_trap();
        for (std::size_t f = 0; f < records[r].size(); ++f)
            if (again[r][f].text != records[r][f].text)
                __builtin_trap();
    }
    return 0;
}
