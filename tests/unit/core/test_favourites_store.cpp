#include "core/favourites_store.h"
#include "program_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <tuple>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

class FavouritesStoreTest : public ::testing::Test {
protected:
    FavouritesStoreTest() { testsupport::createFavouritesDatabase(m_file); }

    void Sql(const std::string &sql)
    {
        FavouritesDb db(m_file.string());
        db.execute(sql);
    }

    testsupport::TempDir m_dir;
    fs::path m_file = m_dir.path() / "data.db";
    FavouritesStore m_store{m_file.string()};
};

TEST_F(FavouritesStoreTest, RecordsReadEveryColumnBackAndBecomeTheFavourites)
{
    TTaoBaoData item;
    item.NumIid = "1001";
    item.Title = "标题";
    item.Nick = "卖家";
    item.ClickUrl = "http://127.0.0.1:1/click";
    item.ShopClickUrl = "http://127.0.0.1:1/shop";
    item.Price = "88.00";
    item.Commission = 12.5;
    item.PicUrl = "http://127.0.0.1:1/1001.jpg";
    item.CashBack = 6.25;
    item.SalesCount = 7;
    item.CreditScore = 11;
    item.Location = "浙江 杭州";
    item.Volume = 345;
    m_store.add(item);
    // A second row of the same id, as an old program or another tool may have left it.
    Sql("insert into info(fid, fTitle, fXiaoCount) values('1001', 'again', '12abc')");
    m_store.ids().clear();

    const std::vector<TTaoBaoData> records = m_store.records();
    ASSERT_EQ(records.size(), 2u);
    // Every column but the picture, which the listing leaves to be fetched.
    const auto columns = [](const TTaoBaoData &r) {
        return std::tie(r.NumIid, r.Title, r.Nick, r.ClickUrl, r.ShopClickUrl, r.Price,
                        r.Commission, r.PicUrl, r.CashBack, r.SalesCount, r.CreditScore, r.Location,
                        r.Volume);
    };
    const TTaoBaoData &read = records[0];
    EXPECT_EQ(columns(read), columns(item));
    EXPECT_FALSE(read.Picture);
    EXPECT_EQ(records[1].Title, "again");
    EXPECT_EQ(records[1].SalesCount, 12);
    EXPECT_TRUE(records[1].Nick.empty());

    // Both rows are counted; removing the id forgets it whole.
    EXPECT_EQ(m_store.ids().size(), 2u);
    EXPECT_TRUE(m_store.contains("1001"));
    m_store.remove("1001");
    EXPECT_FALSE(m_store.contains("1001"));
    EXPECT_TRUE(m_store.records().empty());
}

TEST_F(FavouritesStoreTest, AFailedListingKeepsTheFavouritesItHad)
{
    TTaoBaoData item;
    item.NumIid = "5";
    m_store.add(item);
    Sql("alter table info rename to kept");
    try {
        m_store.records();
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError &error) {
        EXPECT_EQ(std::string(error.what()), "收藏夹无法读取：no such table: info");
    }
    EXPECT_TRUE(m_store.contains("5"));
}

TEST_F(FavouritesStoreTest, ReconnectingMeetsALockAfreshAndAClosedStoreRefusesEverything)
{
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(m_file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    m_store.reconnect(10);
    TTaoBaoData item;
    item.NumIid = "9";
    EXPECT_THROW(m_store.add(item), DatabaseError);
    EXPECT_FALSE(m_store.contains("9"));
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    m_store.add(item);
    EXPECT_TRUE(m_store.contains("9"));

    m_store.close();
    EXPECT_FALSE(m_store.contains("9"));
    for (const auto &operation : std::vector<std::function<void()>>{
             [&] { m_store.rows(); }, [&] { m_store.records(); }, [&] { m_store.add(item); },
             [&] { m_store.remove("9"); }}) {
        try {
            operation();
            ADD_FAILURE() << "no error";
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), "收藏夹数据库没有打开");
        }
    }
    EXPECT_EQ(testsupport::storedFavouriteIds(m_file), std::vector<std::string>{"9"});
}

}  // namespace
}  // namespace quenbo
