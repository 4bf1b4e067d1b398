#include "core/favourites_backup.h"

#include "core/csv.h"
#include "core/favourites_store.h"
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
#include <vector>

namespace quenbo {

namespace {

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
    return std::string(kFavouriteColumns[column]) + " 超出范围（" +
           std::to_string(std::numeric_limits<StoredCount>::min()) + " 到 " +
           std::to_string(std::numeric_limits<StoredCount>::max()) + "）";
}

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

// The field of one stored cell. An integer column holds what the program reads from it:
// empty for NULL or an empty text, otherwise SQLite's conversion to an integer.
std::string exportedField(const DbRows &rows, std::size_t row, std::size_t column)
{
    const std::string &text = rows.text(row, kFavouriteColumns[column]);
    if (!IsFavouriteCountColumn(column) || text.empty())
        return text;
    return std::to_string(rows.integer(row, kFavouriteColumns[column]));
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
std::vector<FavouriteRecord> parseBackup(const std::string &file, std::string_view text)
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
        if (records.empty() || records.front().size() != kFavouriteColumnCount)
            return false;
        for (std::size_t c = 0; c < kFavouriteColumnCount; ++c)
            if (records.front()[c].text != kFavouriteColumns[c])
                return false;
        return true;
    };
    if (!headerIsRight())
        throw BackupError(kFaultyBackup, file, 1, "不是列名 " + FavouriteColumnNames());

    std::vector<FavouriteRecord> favourites;
    favourites.reserve(records.size() - 1);
    for (std::size_t r = 1; r < records.size(); ++r) {
        CsvRecord &record = records[r];
        if (record.size() < kFavouriteColumnCount)
            throw BackupError(kFaultyBackup, file, record.back().line,
                              "记录有 " + std::to_string(record.size()) + " 个字段，应有 " +
                                  std::to_string(kFavouriteColumnCount) + " 个");
        if (record.size() > kFavouriteColumnCount)
            throw BackupError(kFaultyBackup, file, record[kFavouriteColumnCount].line,
                              "记录的字段多于 " + std::to_string(kFavouriteColumnCount) + " 个");
        if (record[0].text.empty())
            throw BackupError(kFaultyBackup, file, record[0].line, "fid 是空的");
        FavouriteRecord &favourite = favourites.emplace_back();
        for (std::size_t c = 0; c < kFavouriteColumnCount; ++c) {
            if (!IsFavouriteCountColumn(c)) {
                favourite[c] = std::move(record[c].text);
                continue;
            }
            StoredCount value = 0;
            switch (parseCount(record[c].text, value)) {
            case CountField::Valid:
                break;
            case CountField::NotWholeNumber:
                throw BackupError(kFaultyBackup, file, record[c].line,
                                  std::string(kFavouriteColumns[c]) + " 不是整数");
            case CountField::OutOfRange:
                throw BackupError(kFaultyBackup, file, record[c].line, outOfRange(c));
            }
            favourite[c] = std::int64_t(value);
        }
    }
    return favourites;
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
    const DbRows rows = ReadFavouritesInStorageOrder(db);
    std::string out;
    std::vector<std::string> fields(kFavouriteColumns.begin(), kFavouriteColumns.end());
    appendCsvRecord(out, fields);
    // What the import would refuse is refused here, so that every backup can be restored.
    const auto refuse = [&](std::size_t row, const std::string &fault) {
        return BackupError(kBackupNotWritten, file, 0,
                           "第 " + std::to_string(row + 1) + " 条收藏的 " + fault);
    };
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t c = 0; c < kFavouriteColumnCount; ++c) {
            fields[c] = exportedField(rows, row, c);
            if (firstInvalidUtf8(fields[c]) != std::string_view::npos)
                throw refuse(row, std::string(kFavouriteColumns[c]) + " 含有无效的 UTF-8 字节");
            if (IsFavouriteCountColumn(c) && !fields[c].empty() &&
                !isStoredCount(rows.integer(row, kFavouriteColumns[c])))
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
    const std::vector<FavouriteRecord> favourites = parseBackup(file, readBackupFile(file));
    return AddNewFavourites(db, favourites);
}

}  // namespace quenbo
