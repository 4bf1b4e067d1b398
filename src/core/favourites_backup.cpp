#include "core/favourites_backup.h"

#include "core/csv.h"
#include "core/text_util.h"
#include "core/uTypeData.h"
#include "platform/favourites_db.h"
#include "platform/file_io.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

namespace quenbo {

namespace {

constexpr std::size_t kColumnCount = 13;
constexpr std::array<std::string_view, kColumnCount> kColumns = {
    "fid",     "fTitle",   "fNick",      "fClick",  "fShopClick", "fPrice",  "fYongjin",
    "fPicUrl", "fFanxian", "fXiaoCount", "fCredit", "fAddress",   "fVolume",
};

// The columns the table declares INTEGER: fXiaoCount, fCredit and fVolume.
bool isIntegerColumn(std::size_t column)
{
    return column == 9 || column == 10 || column == 12;
}

// The window reads those columns into the counts of an item record, so a backup keeps them
// within their range: a larger number would show wrapped round.
using StoredCount = decltype(TTaoBaoData::SalesCount);
static_assert(std::is_same_v<StoredCount, decltype(TTaoBaoData::CreditScore)> &&
              std::is_same_v<StoredCount, decltype(TTaoBaoData::Volume)>);

bool isStoredCount(std::int64_t value)
{
    return value >= std::numeric_limits<StoredCount>::min() &&
           value <= std::numeric_limits<StoredCount>::max();
}

std::string outOfRange(std::size_t column)
{
    return std::string(kColumns[column]) + " 超出范围（" +
           std::to_string(std::numeric_limits<StoredCount>::min()) + " 到 " +
           std::to_string(std::numeric_limits<StoredCount>::max()) + "）";
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

// What went wrong with a backup, in the words its messages start with.
constexpr std::string_view kFaultyBackup = "备份文件有误";
constexpr std::string_view kUnreadableBackup = "备份文件无法读取";
constexpr std::string_view kBackupTooLarge = "备份文件过大";
constexpr std::string_view kBackupNotWritten = "备份文件没有写出";
constexpr std::string_view kUnwritableBackup = "备份文件无法写入";

std::string backupMessage(std::string_view failure, const std::string &file, std::size_t line,
                          const std::string &reason)
{
    std::string message = std::string(failure) + "：" + file;
    if (line == 0)
        return message + ": " + reason;
    return message + " 第 " + std::to_string(line) + " 行：" + reason;
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
        throw BackupError(kBackupTooLarge, file, 0, "大于备份的上限 " + capInMiB());
    throw BackupError(kUnreadableBackup, file, 0, std::strerror(error));
}

enum class CountField { Valid, NotWholeNumber, OutOfRange };

// The count of a field: empty (0), or an optional '-' and decimal digits within StoredCount.
CountField parseCount(const std::string &field, StoredCount &value)
{
    value = 0;
    if (field.empty())
        return CountField::Valid;
    const char *end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    if (stop != end || error == std::errc::invalid_argument)
        return CountField::NotWholeNumber;
    return error == std::errc() ? CountField::Valid : CountField::OutOfRange;
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
        throw BackupError(kFaultyBackup, file, error.line(), error.what());
    }
    // Blank lines after the last record are what a second line end or an editor leaves; one
    // among the records stays a record too short.
    while (records.size() > 1 && isBlankCsvRecord(records.back()))
        records.pop_back();

    const auto headerIsRight = [&] {
        if (records.empty() || records.front().size() != kColumnCount)
            return false;
        for (std::size_t c = 0; c < kColumnCount; ++c)
            if (records.front()[c].text != kColumns[c])
                return false;
        return true;
    };
    if (!headerIsRight())
        throw BackupError(kFaultyBackup, file, 1, "不是列名 " + columnList());

    std::vector<Favourite> favourites;
    favourites.reserve(records.size() - 1);
    for (std::size_t r = 1; r < records.size(); ++r) {
        CsvRecord &record = records[r];
        if (record.size() < kColumnCount)
            throw BackupError(kFaultyBackup, file, record.back().line,
                              "记录有 " + std::to_string(record.size()) + " 个字段，应有 " +
                                  std::to_string(kColumnCount) + " 个");
        if (record.size() > kColumnCount)
            throw BackupError(kFaultyBackup, file, record[kColumnCount].line,
                              "记录的字段多于 " + std::to_string(kColumnCount) + " 个");
        if (record[0].text.empty())
            throw BackupError(kFaultyBackup, file, record[0].line, "fid 是空的");
        Favourite &favourite = favourites.emplace_back();
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (!isIntegerColumn(c)) {
                favourite[c] = std::move(record[c].text);
                continue;
            }
            StoredCount value = 0;
            switch (parseCount(record[c].text, value)) {
            case CountField::Valid:
                break;
            case CountField::NotWholeNumber:
                throw BackupError(kFaultyBackup, file, record[c].line,
                                  std::string(kColumns[c]) + " 不是整数");
            case CountField::OutOfRange:
                throw BackupError(kFaultyBackup, file, record[c].line, outOfRange(c));
            }
            favourite[c] = std::int64_t(value);
        }
    }
    return favourites;
}

// Adds the favourites whose fid is not stored yet in one transaction, rolled back when a
// statement fails.
FavouritesImport addNewFavourites(FavouritesDb &db, const std::vector<Favourite> &favourites)
{
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

}  // namespace

BackupError::BackupError(std::string_view failure, const std::string &file, std::size_t line,
                         const std::string &reason)
    : std::runtime_error(backupMessage(failure, file, line, reason))
    , m_line(line)
{
}

std::size_t ExportFavourites(FavouritesDb &db, const std::string &file)
{
    // A folder would get as far as the atomic write's rename, whose refusal does not say why
    // ("Device or resource busy" for "/"); nothing is written before this check.
    std::error_code status;
    if (std::filesystem::is_directory(file, status))
        throw BackupError(kUnwritableBackup, file, 0, "这是一个文件夹");
    // Opened first, so that a file that cannot be opened is reported in its own words.
    db.open();
    DbRows rows;
    try {
        rows = db.query(kSelectAll);
    } catch (const DatabaseError &error) {
        throw DatabaseError("收藏夹无法导出", error);
    }
    std::string out;
    std::vector<std::string> fields(kColumns.begin(), kColumns.end());
    appendCsvRecord(out, fields);
    // What the import would refuse is refused here, so that every backup can be restored.
    const auto refuse = [&](std::size_t row, const std::string &fault) {
        return BackupError(kBackupNotWritten, file, 0,
                           "第 " + std::to_string(row + 1) + " 条收藏的 " + fault);
    };
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            fields[c] = exportedField(rows, row, c);
            if (firstInvalidUtf8(fields[c]) != std::string_view::npos)
                throw refuse(row, std::string(kColumns[c]) + " 含有无效的 UTF-8 字节");
            if (isIntegerColumn(c) && !fields[c].empty() &&
                !isStoredCount(rows.integer(row, kColumns[c])))
                throw refuse(row, outOfRange(c));
        }
        if (fields[0].empty())
            throw refuse(row, "fid 是空的");
        appendCsvRecord(out, fields);
    }
    if (out.size() > kMaxBackupBytes)
        throw BackupError(kBackupNotWritten, file, 0, "备份会大于上限 " + capInMiB());
    if (!writeFileAtomically(file, out))
        throw BackupError(kUnwritableBackup, file, 0, std::strerror(errno));
    return rows.size();
}

FavouritesImport ImportFavourites(FavouritesDb &db, const std::string &file)
{
    const std::vector<Favourite> favourites = parseBackup(file, readBackupFile(file));
    // Opened first, so that a file that cannot be opened is reported in its own words.
    db.open();
    try {
        return addNewFavourites(db, favourites);
    } catch (const DatabaseError &error) {
        throw DatabaseError("收藏夹无法导入", error);
    }
}

}  // namespace quenbo
