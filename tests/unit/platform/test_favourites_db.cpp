#include "platform/favourites_db.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

class FavouritesDbTest : public ::testing::Test {
protected:
    void Create(const char *sql) const
    {
        sqlite3 *db = nullptr;
        ASSERT_EQ(sqlite3_open(m_file.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    testsupport::TempDir m_dir{"quenbo-db"};
    std::string m_file = (m_dir / "data.db").string();
};

TEST_F(FavouritesDbTest, NeverCreatesTheFile)
{
    FavouritesDb db(m_file);
    // Opening alone fails the way a statement does, and every attempt tries again.
    for (const bool statement : {false, true, false}) {
        try {
            if (statement)
                db.query("select 1");
            else
                db.open();
            ADD_FAILURE() << "no error";
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()),
                      "收藏夹数据库无法打开：" + m_file + ": unable to open database file");
        }
    }
    EXPECT_FALSE(fs::exists(m_file));
    // Once the file is there, the next statement connects.
    Create("create table t(a)");
    EXPECT_EQ(db.query("select * from t").size(), 0u);
}

TEST_F(FavouritesDbTest, ReadsColumnsByNameInAnyCaseAndBindsValuesVerbatim)
{
    Create("create table info(fNick text, fVolume integer)");
    FavouritesDb db(m_file);
    const std::string nick = std::string("它's \"x\"; --\0end", 16);
    const SqlValue values[] = {nick, std::int64_t(-42)};
    db.execute("insert into info(fnick, fVolume) values (?, ?)", values);
    db.execute("insert into info(fNick) values ('12abc')");

    const DbRows rows = db.query("select *from info");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.columns(), (std::vector<std::string>{"fNick", "fVolume"}));
    EXPECT_EQ(rows.text(0, "FNICK"), nick);
    EXPECT_EQ(rows.integer(0, "fvolume"), -42);
    EXPECT_EQ(rows.text(0, "fVolume"), "-42");
    EXPECT_EQ(rows.text(1, "fVolume"), "");
    EXPECT_EQ(rows.integer(1, "fVolume"), 0);
    EXPECT_EQ(rows.integer(1, "fNick"), 12);
    try {
        rows.text(0, "fTitle");
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError &error) {
        EXPECT_EQ(std::string(error.what()), "no such column: fTitle");
    }
}

TEST_F(FavouritesDbTest, ReportsSqliteMessages)
{
    Create("create table info(fid text)");
    FavouritesDb db(m_file);
    const struct {
        const char *sql, *message;
    } cases[] = {
        {"select * from missing", "no such table: missing"},
        {"insert into info(nope) values (1)", "table info has no column named nope"},
        {"selec 1", "near \"selec\": syntax error"},
        {"", "not an SQL statement"},
    };
    for (const auto &c : cases) {
        try {
            db.execute(c.sql);
            ADD_FAILURE() << c.sql;
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.sql;
        }
    }
}

TEST_F(FavouritesDbTest, AFileThatIsNotADatabaseIsReportedAndKept)
{
    {
        std::FILE *f = std::fopen(m_file.c_str(), "wb");
        std::fputs("this is not a database, just text that is long enough to look like one\n", f);
        std::fclose(f);
    }
    const auto size = fs::file_size(m_file);
    FavouritesDb db(m_file);
    EXPECT_THROW(db.query("select * from info"), DatabaseError);
    EXPECT_EQ(fs::file_size(m_file), size);
}

}  // namespace
}  // namespace quenbo
