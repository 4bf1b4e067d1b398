#include "favourites_backup.h"

#include "csv.h"
#include "favourites_db.h"
#include "file_io.h"
#include "text_util.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quenbo {

namespace {

constexpr std::size_t kColumnCount = 13;
constexpr std::array<std::string_view, kColumnCount> kColumns = {
    "fid",     "fTitle",   "fNick",      "fClick",  "fShopClick", "fPrice",  "fYongjin",
    "fPicUrl", "fFanxian", "fXiaoCount", "fCredit", "fAddress",   "fVolume",
};

// The columns the table declares INTEGER.
bool isIntegerColumn(std::size_t column)
{
    return column == 9 || column == 10 || column == 12;
}

// The columns are named in storage order, so the backup does not depend on how the table
// was declared.
constexpr std::string_view kSelectAll =
    "select fid,fTitle,fNick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,fXiaoCount,"
    "fCredit,fAddress,fVolume from info order by rowid";
constexpr std::string_view kSelectIds = "select fid from info";
constexpr std::string_view kInsert =
    "insert into info(fid,fTitle,fNick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,"
    "fXiaoCount,fCredit,fAddress,fVolume)values(?,?,?,?,?,?,?,?,?,?,?,?,?)";

using Favourite = std::array<SqlValue, kColumnCount>;

std::string backupMessage(const std::string &file, std::size_t line, const std::string &reason)
{
    if (line == 0)
        return file + ": " + reason;
    return file + ", line " + std::to_string(line) + ": " + reason;
}

std::string capInMiB()
{
    return std::to_string(kMaxBackupBytes / (1024 * 1024)) + " MiB";
}

std::string columnList()
{
    std::string names;
    for (const std::string_view name : kColumns)
        names += (names.empty() ? "" : ",") + std::string(name);
    return names;
}

// The field of one stored cell. An integer column holds what the program reads from it:
// empty for NULL or an empty text, otherwise SQLite's conversion to an integer.
std::string exportedField(const DbRows &rows, std::size_t row, std::size_t column)
{
    const std::string &text = rows.text(row, kColumns[column]);
    if (!isIntegerColumn(column) || text.empty())
        return text;
    return std::to_string(rows.integer(row, kColumns[column]));
}

std::string readBackupFile(const std::string &file)
{
    std::string text;
    if (readWholeFile(file, kMaxBackupBytes, text))
        return text;
    const int error = errno;
    // readWholeFile does not say why it refused; a large regular file is the one case worth
    // its own message.
    std::error_code status;
    const bool regular =
        std::filesystem::is_regular_file(std::filesystem::symlink_status(file, status));
    std::error_code sizeStatus;
    const std::uintmax_t size = regular ? std::filesystem::file_size(file, sizeStatus) : 0;
    if (regular && !sizeStatus && size > kMaxBackupBytes)
        throw BackupError(file, 0,
                          "the file is larger than the " + capInMiB() + " a backup may take");
    throw BackupError(file, 0, "cannot read the file: " + std::string(std::strerror(error)));
}

// The integer of a field: empty, or an optional '-' and decimal digits within 64 bits.
bool parseInteger(const std::string &field, std::int64_t &value)
{
    value = 0;
    if (field.empty())
        return true;
    const char *end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    return error == std::errc() && stop == end;
}

// The favourites of a backup's text, checked whole; raises BackupError at the first fault.
std::vector<Favourite> parseBackup(const std::string &file, std::string_view text)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    std::vector<CsvRecord> records;
    try {
        records = readCsv(text);
    } catch (const CsvError &error) {
        throw BackupError(file, error.line(), error.what());
    }

    const auto headerIsRight = [&] {
        if (records.empty() || records.front().size() != kColumnCount)
            return false;
        for (std::size_t c = 0; c < kColumnCount; ++c)
            if (records.front()[c].text != kColumns[c])
                return false;
        return true;
    };
    if (!headerIsRight())
        throw BackupError(file, 1, "the first line is not the column names " + columnList());

    std::vector<Favourite> favourites;
    favourites.reserve(records.size() - 1);
    for (std::size_t r = 1; r < records.size(); ++r) {
        CsvRecord &record = records[r];
        if (record.size() < kColumnCount)
            throw BackupError(file, record.back().line,
                              "the record has " + std::to_string(record.size()) +
                                  " fields instead of " + std::to_string(kColumnCount));
        if (record.size() > kColumnCount)
            throw BackupError(file, record[kColumnCount].line,
                              "the record has more than " + std::to_string(kColumnCount) +
                                  " fields");
        if (record[0].text.empty())
            throw BackupError(file, record[0].line, "the fid is empty");
        Favourite &favourite = favourites.emplace_back();
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (!isIntegerColumn(c)) {
                favourite[c] = std::move(record[c].text);
                continue;
            }
            std::int64_t value = 0;
            if (!parseInteger(record[c].text, value))
                throw BackupError(file, record[c].line,
                                  std::string(kColumns[c]) + " is not a 64-bit integer");
            favourite[c] = value;
        }
    }
    return favourites;
}

}  // namespace

BackupError::BackupError(const std::string &file, std::size_t line, const std::string &reason)
    : std::runtime_error(backupMessage(file, line, reason))
    , m_line(line)
{
}

std::size_t ExportFavourites(FavouritesDb &db, const std::string &file)
{
    const DbRows rows = db.query(kSelectAll);
    std::string out;
    std::vector<std::string> fields(kColumns.begin(), kColumns.end());
    appendCsvRecord(out, fields);
    // What the import would refuse is refused here, so that every backup can be restored.
    const auto refuse = [&](std::size_t row, const std::string &fault) {
        return BackupError(file, 0,
                           "favourite number " + std::to_string(row + 1) + " " + fault +
                               "; nothing was written");
    };
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            fields[c] = exportedField(rows, row, c);
            if (firstInvalidUtf8(fields[c]) != std::string_view::npos)
                throw refuse(row,
                             "holds text that is not valid UTF-8 in " + std::string(kColumns[c]));
        }
        if (fields[0].empty())
            throw refuse(row, "has an empty fid");
        appendCsvRecord(out, fields);
    }
    if (out.size() > kMaxBackupBytes)
        throw BackupError(file, 0,
                          "the backup would be larger than the " + capInMiB() +
                              " a backup may take; nothing was written");
    if (!writeFileAtomically(file, out))
        throw BackupError(file, 0, "cannot write the file: " + std::string(std::strerror(errno)));
    return rows.size();
}

FavouritesImport ImportFavourites(FavouritesDb &db, const std::string &file)
{
    const std::vector<Favourite> favourites = parseBackup(file, readBackupFile(file));

    // IMMEDIATE takes the write lock at once, so the ids read below stay the stored ones until
    // the commit.
    db.execute("begin immediate");
    try {
        const DbRows stored = db.query(kSelectIds);
        std::unordered_set<std::string> known;
        for (std::size_t row = 0; row < stored.size(); ++row)
            known.insert(stored.text(row, "fid"));
        FavouritesImport result;
        for (const Favourite &favourite : favourites) {
            if (!known.insert(std::get<std::string>(favourite[0])).second) {
                ++result.alreadyThere;
                continue;
            }
            db.execute(kInsert, favourite);
            ++result.added;
        }
        db.execute("commit");
        return result;
    } catch (...) {
        // SQLite rolls back by itself after some failures; a second rollback then fails and
        // is of no interest beside the first error.
        try {
            db.execute("rollback");
        } catch (const DatabaseError &) {
        }
        throw;
    }
}

}  // namespace quenbo
