#include "ucommon.h"

#include "number_format.h"

namespace quenbo {

namespace {

// The statements bind their values instead of quoting them into the text, so no value can
// change a statement. Column names keep the spelling the table has always been used with
// ("fnick" among them); the database compares them without regard to case.
constexpr std::string_view kSelectOne = "select *from info where fid=?";
constexpr std::string_view kDeleteOne = "delete from info where fid=?";
constexpr std::string_view kInsert =
    "insert into info(fid,fTitle,fnick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,"
    "fXiaoCount,fCredit,fAddress,fVolume)Values(?,?,?,?,?,?,?,?,?,?,?,?,?)";

}  // namespace

void TCommon::AddFavourite(const std::string &id)
{
    const TTaoBaoData *found = Items.findFirst(id);
    if (!found)
        return;
    const TTaoBaoData record = *found;
    if (!FavQuery)
        throw DatabaseError("the favourites database is closed");
    const SqlValue key[] = {id};
    if (!FavQuery->query(kSelectOne, key).empty())
        return;
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
    FavQuery->execute(kInsert, values);
}

void TCommon::DeleteFavourite(const std::string &id)
{
    if (!FavQuery)
        throw DatabaseError("the favourites database is closed");
    const SqlValue key[] = {id};
    FavQuery->execute(kDeleteOne, key);
    ForgetFavourite(id);
}

}  // namespace quenbo
