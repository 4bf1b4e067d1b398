#include "core/ucommon.h"

#include "core/number_format.h"

namespace quenbo {

namespace {

// The statements bind their values instead of quoting them into the text, so no value can
// change a statement. Column names keep the spelling the table has always been used with
// ("fnick" among them); the database compares them without regard to case.
constexpr std::string_view kSelectAll = "select *from info";
constexpr std::string_view kSelectOne = "select *from info where fid=?";
constexpr std::string_view kSelectIds = "select fid from info";
constexpr std::string_view kDeleteOne = "delete from info where fid=?";
constexpr std::string_view kInsert =
    "insert into info(fid,fTitle,fnick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,"
    "fXiaoCount,fCredit,fAddress,fVolume)Values(?,?,?,?,?,?,?,?,?,?,?,?,?)";

// The database, opened: a file that cannot be opened says so in its own words, before any
// operation's words are put in front of a statement's error.
FavouritesDb &openedDatabase(const std::unique_ptr<FavouritesDb> &db)
{
    if (!db)
        throw DatabaseError("收藏夹数据库没有打开");
    db->open();
    return *db;
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

}  // namespace

DbRows TCommon::FavouriteRows()
{
    FavouritesDb &db = openedDatabase(FavQuery);
    return withFailureWords("收藏夹无法读取", [&] { return db.query(kSelectAll); });
}

void TCommon::LoadFavouriteIds()
{
    FavIds.clear();
    try {
        const DbRows rows = openedDatabase(FavQuery).query(kSelectIds);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!FavIds.contains(rows.text(i, "fid")))
                FavIds.append(rows.text(i, "fid"));
    } catch (const DatabaseError &) {
        FavIds.clear();
    }
}

void TCommon::AddFavourite(const std::string &id)
{
    const TTaoBaoData *found = Items.findFirst(id);
    if (!found)
        return;
    const TTaoBaoData record = *found;
    FavouritesDb &db = openedDatabase(FavQuery);
    const SqlValue key[] = {id};
    const SqlValue values[] = {
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
    withFailureWords("收藏夹无法保存", [&] {
        if (db.query(kSelectOne, key).empty())
            db.execute(kInsert, values);
    });
    if (!FavIds.contains(id))
        FavIds.append(id);
}

void TCommon::DeleteFavourite(const std::string &id)
{
    FavouritesDb &db = openedDatabase(FavQuery);
    const SqlValue key[] = {id};
    withFailureWords("收藏夹无法删除", [&] { db.execute(kDeleteOne, key); });
    while (IsFavourite(id))
        ForgetFavourite(id);
}

}  // namespace quenbo
