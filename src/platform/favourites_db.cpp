#include "platform/favourites_db.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

namespace quenbo {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

struct StatementDeleter {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

int checkedLength(std::size_t size)
{
    if (size > std::size_t(INT_MAX))
        throw DatabaseError("string or blob too big");
    return int(size);
}

}  // namespace

DatabaseError::DatabaseError(std::string_view failure, const DatabaseError &cause)
    : std::runtime_error(std::string(failure) + "：" + cause.what())
{
}

std::size_t DbRows::column(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (sameName(m_columns[i], name))
            return i;
    throw DatabaseError("no such column: " + std::string(name));
}

const DbRows::Cell &DbRows::cell(std::size_t row, std::string_view column) const
{
    const std::size_t index = this->column(column);
    return m_rows.at(row).at(index);
}

const std::string &DbRows::text(std::size_t row, std::string_view column) const
{
    return cell(row, column).text;
}

std::int64_t DbRows::integer(std::size_t row, std::string_view column) const
{
    return cell(row, column).integer;
}

FavouritesDb::FavouritesDb(std::string path, int busyTimeoutMs)
    : m_path(std::move(path))
    , m_busyTimeoutMs(busyTimeoutMs)
{
}

FavouritesDb::~FavouritesDb()
{
    sqlite3_close_v2(m_db);
}

sqlite3 *FavouritesDb::connection()
{
    if (m_db)
        return m_db;
    sqlite3 *db = nullptr;
    // Read-write only: a missing file must stay missing, never become an empty database.
    const int rc = sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw DatabaseError("收藏夹数据库无法打开：" + m_path + ": " + message);
    }
    sqlite3_busy_timeout(db, m_busyTimeoutMs);
    m_db = db;
    return m_db;
}

void FavouritesDb::execute(std::string_view sql, std::span<const SqlValue> params)
{
    run(sql, params, false);
}

DbRows FavouritesDb::query(std::string_view sql, std::span<const SqlValue> params)
{
    return run(sql, params, true);
}

DbRows FavouritesDb::run(std::string_view sql, std::span<const SqlValue> params, bool keepRows)
{
    sqlite3 *db = connection();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.data(), checkedLength(sql.size()), &raw, nullptr) != SQLITE_OK)
        throw DatabaseError(sqlite3_errmsg(db));
    const Statement statement(raw);
    if (!statement)
        throw DatabaseError("not an SQL statement");
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int place = int(i) + 1;
        int rc = SQLITE_OK;
        if (const auto *number = std::get_if<std::int64_t>(&params[i])) {
            rc = sqlite3_bind_int64(raw, place, *number);
        } else {
            const std::string &text = std::get<std::string>(params[i]);
            rc = sqlite3_bind_text(raw, place, text.data(), checkedLength(text.size()),
                                   SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            throw DatabaseError(sqlite3_errmsg(db));
    }
    DbRows rows;
    const int columns = sqlite3_column_count(raw);
    if (keepRows)
        for (int c = 0; c < columns; ++c)
            rows.m_columns.emplace_back(sqlite3_column_name(raw, c));
    for (;;) {
        const int rc = sqlite3_step(raw);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw DatabaseError(sqlite3_errmsg(db));
        if (!keepRows)
            continue;
        std::vector<DbRows::Cell> &row = rows.m_rows.emplace_back();
        row.resize(std::size_t(columns));
        for (int c = 0; c < columns; ++c) {
            // The text is copied before the integer conversion, which may change the
            // value's representation.
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(raw, c));
            if (text)
                row[std::size_t(c)].text.assign(text, std::size_t(sqlite3_column_bytes(raw, c)));
            row[std::size_t(c)].integer = sqlite3_column_int64(raw, c);
        }
    }
    return rows;
}

bool CreateDatabaseFile(const std::string &path, std::string_view schema)
{
    const auto failure = [&](const std::string &reason) {
        return DatabaseError("收藏夹数据库无法创建：" + path + ": " + reason);
    };
    if (::access(path.c_str(), F_OK) == 0)
        return false;
    // Built beside path under a name of its own, then linked into place: link(2) never
    // replaces an existing name, so a database that appeared meanwhile is kept.
    std::string temporary = path + ".new-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        throw failure(std::strerror(errno));
    ::close(fd);
    const auto removeTemporary = [&] {
        ::unlink(temporary.c_str());
        ::unlink((temporary + "-journal").c_str());
    };
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char *message = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, std::string(schema).c_str(), nullptr, nullptr, &message);
    const std::string reason = message ? message : db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_free(message);
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK)
        rc = SQLITE_ERROR;
    if (rc != SQLITE_OK) {
        removeTemporary();
        throw failure(reason);
    }
    const bool made = ::link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    removeTemporary();
    if (!made && linkError != EEXIST)
        throw failure(std::strerror(linkError));
    return made;
}

}  // namespace quenbo
