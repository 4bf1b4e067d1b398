#include "core/ucommon.h"
#include "program_folder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

TTaoBaoData Item(const std::string &id)
{
    TTaoBaoData item;
    item.NumIid = id;
    item.Title = "It's \"新款\" 女装 ''";
    item.Nick = "卖家'nick";
    item.ClickUrl = "http://127.0.0.1:1/click?id=" + id;
    item.ShopClickUrl = "http://127.0.0.1:1/shop";
    item.Price = "88.00";
    item.Commission = 12.5;
    item.PicUrl = "http://127.0.0.1:1/pic/" + id + ".jpg";
    item.CashBack = CashBack(12.5);
    item.SalesCount = 0;
    item.CreditScore = 11;
    item.Location = "浙江 杭州";
    item.Volume = 345;
    return item;
}

class FavouritesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir.writeStandardArchive();
        m_dir.createDatabase();
        m_zip = m_dir.openArchive();
        m_common = std::make_unique<TCommon>(*m_zip, m_dir.appPath());
    }

    // The table as another program sees it, columns read in upper case.
    DbRows Rows(const std::string &sql = "select * from info")
    {
        FavouritesDb db(m_dir.databaseFile().string());
        return db.query(sql);
    }

    void Sql(const std::string &sql)
    {
        FavouritesDb db(m_dir.databaseFile().string());
        db.execute(sql);
    }

    testsupport::ProgramFolder m_dir;
    std::unique_ptr<TZipFile> m_zip;
    std::unique_ptr<TCommon> m_common;
};

TEST_F(FavouritesTest, StoresEveryFieldOnceAndUnchanged)
{
    m_common->Favourites.add(Item("1001"));
    m_common->Favourites.add(Item("1001"));

    const DbRows rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    const TTaoBaoData item = Item("1001");
    EXPECT_EQ(rows.text(0, "FID"), "1001");
    EXPECT_EQ(rows.text(0, "ftitle"), item.Title);
    EXPECT_EQ(rows.text(0, "fNick"), item.Nick);
    EXPECT_EQ(rows.text(0, "fClick"), item.ClickUrl);
    EXPECT_EQ(rows.text(0, "fShopClick"), item.ShopClickUrl);
    EXPECT_EQ(rows.text(0, "fPrice"), "88.00");
    EXPECT_EQ(rows.text(0, "fYongjin"), "12.5");
    EXPECT_EQ(rows.text(0, "fPicUrl"), item.PicUrl);
    EXPECT_EQ(rows.text(0, "fFanxian"), "6.25");
    EXPECT_EQ(rows.integer(0, "fXiaoCount"), 0);
    EXPECT_EQ(rows.text(0, "fXiaoCount"), "0");
    EXPECT_EQ(rows.integer(0, "fCredit"), 11);
    EXPECT_EQ(rows.text(0, "fAddress"), item.Location);
    EXPECT_EQ(rows.integer(0, "fVolume"), 345);
}

TEST_F(FavouritesTest, ListingGivesEveryStoredRowWithItsColumns)
{
    EXPECT_TRUE(m_common->FavouriteRows().empty());
    Sql("insert into info(fid, fTitle, fVolume) values ('7', '新款', 3), ('5', 'b', null)");
    const DbRows rows = m_common->FavouriteRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.columns().size(), 13u);
    EXPECT_EQ(rows.text(0, "fid"), "7");
    EXPECT_EQ(rows.text(0, "fTitle"), "新款");
    EXPECT_EQ(rows.integer(0, "fVolume"), 3);
    EXPECT_EQ(rows.text(1, "fid"), "5");
    EXPECT_EQ(rows.text(1, "fVolume"), "");
}

TEST_F(FavouritesTest, IsFavouriteFollowsTheStore)
{
    EXPECT_FALSE(m_common->IsFavourite("1001"));
    // Added from a search, the item counts as a favourite at once, not only once listed.
    m_common->Favourites.add(Item("1001"));
    m_common->Favourites.add(Item("1001"));
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_TRUE(m_common->IsFavourite("1001"));
    EXPECT_EQ(m_common->Favourites.ids().size(), 1u);
    EXPECT_FALSE(m_common->IsFavourite("01001"));
    EXPECT_FALSE(m_common->IsFavourite("100"));

    // Stored by an earlier run: the ids are read when the store is loaded.
    Sql("insert into info(fid, fTitle) values ('2002', 'x')");
    m_common->LoadFavouriteIds();
    EXPECT_TRUE(m_common->IsFavourite("1001"));
    EXPECT_TRUE(m_common->IsFavourite("2002"));
}

TEST_F(FavouritesTest, DeleteRemovesTheRowsAndForgetsTheId)
{
    Sql("insert into info(fid, fTitle) values ('7', 'a'), ('7', 'b'), ('8', 'c'), ('78', 'd'), "
        "('17', 'e')");
    m_common->Favourites.ids().append("7");
    m_common->Favourites.ids().append("8");
    m_common->Favourites.ids().append("7");

    // Every row of exactly that id goes; ids that merely contain it stay.
    m_common->DeleteFavourite("7");
    const DbRows kept = Rows();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.text(0, "fid"), "8");
    EXPECT_EQ(kept.text(1, "fid"), "78");
    EXPECT_EQ(kept.text(2, "fid"), "17");
    Sql("delete from info where fid in ('78', '17')");
    ASSERT_EQ(Rows().size(), 1u);
    // The id no longer counts: every entry of it is forgotten.
    EXPECT_FALSE(m_common->IsFavourite("7"));
    EXPECT_EQ(m_common->Favourites.ids().size(), 1u);
    m_common->Favourites.ids().append("7");

    m_common->Favourites.ids().append("9");
    m_common->DeleteFavourite("9");
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_FALSE(m_common->IsFavourite("9"));

    m_common->Favourites.ids().removeFirst("nothing");
    m_common->Favourites.ids().removeFirst("7");
    EXPECT_FALSE(m_common->IsFavourite("7"));
    ASSERT_EQ(m_common->Favourites.ids().size(), 1u);
    EXPECT_EQ(m_common->Favourites.ids()[0], "8");
}

TEST_F(FavouritesTest, ValuesThatLookLikeSqlStayValues)
{
    const std::string id = "1' or '1'='1";
    TTaoBaoData hostile = Item(id);
    hostile.Title = "'); drop table info; --";
    m_common->Favourites.add(Item("5"));
    m_common->Favourites.add(hostile);
    m_common->DeleteFavourite("x' or 'x'='x");

    const DbRows rows = Rows("select * from info order by rowid");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.text(1, "fid"), id);
    EXPECT_EQ(rows.text(1, "fTitle"), hostile.Title);
}

TEST_F(FavouritesTest, MissingTableOrColumnReportsTheDatabaseErrorAndKeepsRows)
{
    m_common->Favourites.add(Item("1"));

    Sql("alter table info drop column fVolume");
    try {
        m_common->Favourites.add(Item("2"));
        FAIL() << "no error";
    } catch (const DatabaseError &error) {
        EXPECT_EQ(std::string(error.what()),
                  "收藏夹无法保存：table info has no column named fVolume");
    }
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Rows().text(0, "fid"), "1");
    EXPECT_THROW(Rows().text(0, "fVolume"), DatabaseError);

    Sql("alter table info rename to other");
    const struct {
        const char *operation;
        std::function<void()> run;
        std::string message;
    } cases[] = {
        {"delete", [&] { m_common->DeleteFavourite("1"); }, "收藏夹无法删除：no such table: info"},
        {"list", [&] { m_common->FavouriteRows(); }, "收藏夹无法读取：no such table: info"},
    };
    for (const auto &c : cases) {
        try {
            c.run();
            ADD_FAILURE() << c.operation << ": no error";
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.operation;
        }
    }
    EXPECT_EQ(Rows("select * from other").size(), 1u);
}

TEST_F(FavouritesTest, LockedDatabaseReportsItAndKeepsRows)
{
    m_common->Favourites.add(Item("1"));

    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(m_dir.databaseFile().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    // A connection of its own with a short wait, so the lock is reported quickly.
    m_common->Favourites.reconnect(10);
    try {
        m_common->Favourites.add(Item("2"));
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError &error) {
        EXPECT_EQ(std::string(error.what()), "收藏夹无法保存：database is locked");
    }
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Rows().size(), 1u);
    m_common->Favourites.add(Item("2"));
    EXPECT_EQ(Rows().size(), 2u);
}

}  // namespace
}  // namespace quenbo
