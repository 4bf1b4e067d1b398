#pragma once

#include "core/favourites_store.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Backups of the favourites table as UTF-8 CSV (RFC 4180, no byte order mark): a header line
// with the thirteen names of kFavouriteColumns in storage order, then one record per favourite with
// every column, lines ended by CRLF. A NULL is written as an empty field.

namespace quenbo {

class FavouritesDb;

// Raised when a backup cannot be written, read or understood. The message says in Chinese what
// failed, then "：", the file and, for a fault inside it, its 1-based physical line, and the
// reason: "备份文件有误：<file> 第 <n> 行：<reason>", "备份文件无法读取：<file>: <reason>".
// line() is that line, or 0 when the fault is not in one line.
class BackupError : public std::runtime_error {
public:
    BackupError(std::string_view failure, const std::string &file, std::size_t line,
                const std::string &reason);
    std::size_t line() const { return m_line; }

private:
    std::size_t m_line;
};

// The largest backup read or written, 64 MiB: a few hundred thousand favourites.
inline constexpr std::uint64_t kMaxBackupBytes = 64 * 1024 * 1024;

// Writes every stored favourite, in storage order, to file and returns how many it wrote, replacing
// it atomically: a reader sees the old file or the whole new one. The integer columns are written
// as the program reads them (SQLite's conversion to an integer), so every backup can be imported
// again. Raises BackupError naming file, and leaves file as it was, when it cannot be written (a
// folder, or a link to one, is refused as such: "这是一个文件夹") and when the backup could not be
// imported again: a stored text that is not valid UTF-8, an empty fid, an integer column outside
// 32 bits, or more than kMaxBackupBytes in all. Raises DatabaseError when the database cannot be
// opened or the table cannot be read ("收藏夹无法导出：<SQLite's message>").
std::size_t ExportFavourites(FavouritesDb &db, const std::string &file);

// Adds the favourites of the backup at file whose fid is not stored yet, in file order, all in
// one transaction. The whole file is checked first: a header that is not the thirteen names in
// order (a UTF-8 byte order mark before it is allowed), a record without exactly thirteen
// fields (an empty line among the records is one; empty lines after the last record are
// ignored), bad quoting, bytes that are not UTF-8, an empty fid, or a count column that is
// not an optional '-' and decimal digits within 32 bits, the window's counts ("fXiaoCount 超出范围
// （-2147483648 到 2147483647）"), raise BackupError naming the file and the line, and nothing is
// imported. An empty integer field is stored as 0, as the program reads a missing count. Line
// ends may be CRLF or LF. A file that cannot be read or is larger than kMaxBackupBytes raises
// BackupError naming it; a database that cannot be opened raises DatabaseError, and a database
// failure raises DatabaseError ("收藏夹无法导入：<SQLite's message>") after rolling back, so
// nothing is imported.
FavouritesImport ImportFavourites(FavouritesDb &db, const std::string &file);

}  // namespace quenbo
