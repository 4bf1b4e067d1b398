#include "core/favourites_store.h"

#include "core/number_format.h"

#include <unordered_set>

namespace quenbo {

namespace {

// The statements bind their values instead of quoting them into the text, so no value can
// change a statement.
constexpr std::string_view kSelectAll = "select *from info";
constexpr std::string_view kSelectOne = "select *from info where fid=?";
constexpr std::string_view kSelectIds = "select fid from info";
constexpr std::string_view kDeleteOne = "delete from info where fid=?";

// The columns are named, so that neither the listing nor the backup depends on how the table
// was declared.
const std::string &selectInStorageOrder()
{
    static const std::string statement =
        "select " + FavouriteColumnNames() + " from info order by rowid";
    return statement;
}

const std::string &insertStatement()
{
    static const std::string statement = [] {
        std::string placeholders;
        for (std::size_t i = 0; i < kFavouriteColumnCount; ++i)
            placeholders.append(i == 0 ? "?" : ",?");
        return "insert into info(" + FavouriteColumnNames() + ")values(" + placeholders + ")";
    }();
    return statement;
}

// Runs one operation's statements; an error they raise says first, in Chinese, which
// operation failed.
template <typename Statements>
auto withFailureWords(std::string_view failure, Statements &&statements)
{
    try {
        return statements();
    } catch (const DatabaseError &error) {
        throw DatabaseError(failure, error);
    }
}

FavouriteRecord columnsOf(const TTaoBaoData &record)
{
    return {
        record.NumIid,
        record.Title,
        record.Nick,
        record.ClickUrl,
        record.ShopClickUrl,
        record.Price,
        formatGeneral(record.Commission),
        record.PicUrl,
        formatGeneral(record.CashBack),
        std::int64_t(record.SalesCount),
        std::int64_t(record.CreditScore),
        record.Location,
        std::int64_t(record.Volume),
    };
}

TTaoBaoData recordOf(const DbRows &rows, std::size_t row)
{
    const auto text = [&](std::size_t column) { return rows.text(row, kFavouriteColumns[column]); };
    const auto count = [&](std::size_t column) {
        return std::int32_t(rows.integer(row, kFavouriteColumns[column]));
    };
    TTaoBaoData record;
    record.NumIid = text(0);
    record.Title = text(1);
    record.Nick = text(2);
    record.ClickUrl = text(3);
    record.ShopClickUrl = text(4);
    record.Price = text(5);
    record.Commission = parseNumber(text(6));
    record.PicUrl = text(7);
    record.CashBack = parseNumber(text(8));
    record.SalesCount = count(9);
    record.CreditScore = count(10);
    record.Location = text(11);
    record.Volume = count(12);
    return record;
}

}  // namespace

std::string FavouriteColumnNames()
{
    std::string names;
    for (const std::string_view name : kFavouriteColumns)
        names.append(names.empty() ? "" : ",").append(name);
    return names;
}

bool IsFavouriteCountColumn(std::size_t column)
{
    return column == 9 || column == 10 || column == 12;
}

DbRows ReadFavouritesInStorageOrder(FavouritesDb &db)
{
    // Opened first, so that a file that cannot be opened is reported in its own words.
    db.open();
    return withFailureWords("收藏夹无法导出", [&] { return db.query(selectInStorageOrder()); });
}

FavouritesImport AddNewFavourites(FavouritesDb &db, const std::vector<FavouriteRecord> &records)
{
    db.open();
    return withFailureWords("收藏夹无法导入", [&] {
        // IMMEDIATE takes the write lock at once, so the ids read below stay the stored ones
        // until the commit.
        db.execute("begin immediate");
        try {
            const DbRows stored = db.query(kSelectIds);
            std::unordered_set<std::string> known;
            for (std::size_t row = 0; row < stored.size(); ++row)
                known.insert(stored.text(row, "fid"));
            FavouritesImport result;
            for (const FavouriteRecord &record : records) {
                if (!known.insert(std::get<std::string>(record[0])).second) {
                    ++result.alreadyThere;
                    continue;
                }
                db.execute(insertStatement(), record);
                ++result.added;
            }
            db.execute("commit");
            return result;
        } catch (...) {
            // SQLite rolls back by itself after some failures; a second rollback then fails
            // and is of no interest beside the first error.
            try {
                db.execute("rollback");
            } catch (const DatabaseError &) {
            }
            throw;
        }
    });
}

FavouritesStore::FavouritesStore(std::string file)
    : m_file(std::move(file))
    , m_db(std::make_unique<FavouritesDb>(m_file))
{
}

FavouritesDb &FavouritesStore::opened()
{
    if (!m_db)
        throw DatabaseError("收藏夹数据库没有打开");
    // A file that cannot be opened says so in its own words, before any operation's words
    // are put in front of a statement's error.
    m_db->open();
    return *m_db;
}

DbRows FavouritesStore::rows()
{
    FavouritesDb &db = opened();
    return withFailureWords("收藏夹无法读取", [&] { return db.query(kSelectAll); });
}

std::vector<TTaoBaoData> FavouritesStore::records()
{
    FavouritesDb &db = opened();
    const DbRows rows =
        withFailureWords("收藏夹无法读取", [&] { return db.query(selectInStorageOrder()); });
    std::vector<TTaoBaoData> records;
    records.reserve(rows.size());
    m_ids.clear();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        records.push_back(recordOf(rows, row));
        m_ids.append(records.back().NumIid);
    }
    return records;
}

void FavouritesStore::add(const TTaoBaoData &record)
{
    FavouritesDb &db = opened();
    const SqlValue key[] = {record.NumIid};
    const FavouriteRecord values = columnsOf(record);
    withFailureWords("收藏夹无法保存", [&] {
        if (db.query(kSelectOne, key).empty())
            db.execute(insertStatement(), values);
    });
    if (!m_ids.contains(record.NumIid))
        m_ids.append(record.NumIid);
}

void FavouritesStore::remove(const std::string &id)
{
    FavouritesDb &db = opened();
    const SqlValue key[] = {id};
    withFailureWords("收藏夹无法删除", [&] { db.execute(kDeleteOne, key); });
    while (m_ids.removeFirst(id)) {
    }
}

void FavouritesStore::loadIds()
{
    m_ids.clear();
    try {
        const DbRows rows = opened().query(kSelectIds);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!m_ids.contains(rows.text(i, "fid")))
                m_ids.append(rows.text(i, "fid"));
    } catch (const DatabaseError &) {
        m_ids.clear();
    }
}

void FavouritesStore::reconnect(int busyTimeoutMs)
{
    m_db = std::make_unique<FavouritesDb>(m_file, busyTimeoutMs);
}

void FavouritesStore::close()
{
    m_ids.clear();
    m_db.reset();
}

}  // namespace quenbo
