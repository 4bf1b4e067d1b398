#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;

// The favourites database: an existing SQLite file, opened for reading and writing but never
// created. Statements run one at a time with bound parameters; results are read whole.

namespace quenbo {

// Raised for every failure of the database layer, with SQLite's own message.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // The error of an operation that failed because of cause: failure, the words that say in
    // Chinese what failed, then "：" and the cause's message ("收藏夹无法保存：database is
    // locked").
    DatabaseError(std::string_view failure, const DatabaseError &cause);
};

// A bound parameter: an integer or a text.
using SqlValue = std::variant<std::int64_t, std::string>;

// The rows of one query, read whole. Columns are found by name without regard to ASCII
// letter case.
class DbRows {
public:
    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    const std::vector<std::string> &columns() const { return m_columns; }

    // The index of the first column with this name; raises DatabaseError
    // ("no such column: <name>") when there is none.
    std::size_t column(std::string_view name) const;

    // The cell's text (empty for NULL) and its value as an integer the way SQLite converts it
    // (0 for NULL or text that does not start with a number). row must be below size().
    const std::string &text(std::size_t row, std::string_view column) const;
    std::int64_t integer(std::size_t row, std::string_view column) const;

private:
    friend class FavouritesDb;
    struct Cell {
        std::string text;
        std::int64_t integer = 0;
    };
    const Cell &cell(std::size_t row, std::string_view column) const;

    std::vector<std::string> m_columns;
    std::vector<std::vector<Cell>> m_rows;
};

// The connection to the database file at one path. The file is opened at the first statement
// and, while it cannot be, every statement raises DatabaseError ("收藏夹数据库无法打开：<path>:
// <SQLite's message>"). A locked database is waited for up to busyTimeoutMs, then the
// statement fails with "database is locked". Used from one thread at a time.
class FavouritesDb {
public:
    explicit FavouritesDb(std::string path, int busyTimeoutMs = 2000);
    ~FavouritesDb();
    FavouritesDb(const FavouritesDb &) = delete;
    FavouritesDb &operator=(const FavouritesDb &) = delete;

    const std::string &path() const { return m_path; }

    // Opens the file now unless it is open already, so that a caller can tell a file that
    // cannot be opened from a statement that fails. Raises DatabaseError as a statement would.
    void open() { connection(); }

    // Runs one statement that returns no rows (rows it would return are ignored).
    void execute(std::string_view sql, std::span<const SqlValue> params = {});
    // Runs one query and returns all of its rows.
    DbRows query(std::string_view sql, std::span<const SqlValue> params = {});

private:
    sqlite3 *connection();
    DbRows run(std::string_view sql, std::span<const SqlValue> params, bool keepRows);

    std::string m_path;
    int m_busyTimeoutMs;
    sqlite3 *m_db = nullptr;
};

// Makes a new database file at path from the statements of schema. The file appears whole or
// not at all, and never replaces a file at path: when one is there already, also one that
// another process made meanwhile, it is left as it is and false is returned. Raises
// DatabaseError ("收藏夹数据库无法创建：<path>: <reason>") when the file cannot be made.
bool CreateDatabaseFile(const std::string &path, std::string_view schema);

}  // namespace quenbo
