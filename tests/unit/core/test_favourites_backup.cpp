#include "core/csv.h"
#include "core/favourites_backup.h"
#include "platform/favourites_db.h"
#include "program_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace quenbo {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using Table = std::vector<std::vector<std::string>>;

const std::string kHeader = "fid,fTitle,fNick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,"
                            "fXiaoCount,fCredit,fAddress,fVolume\r\n";

std::string ReadFile(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path &file, const std::string &bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

// Every cell in storage order as an SQL literal, which shows its storage class too: 'text',
// 12, NULL.
Table StoredCells(FavouritesDb &db)
{
    const DbRows rows =
        db.query("select quote(fid),quote(fTitle),quote(fNick),quote(fClick),quote(fShopClick),"
                 "quote(fPrice),quote(fYongjin),quote(fPicUrl),quote(fFanxian),quote(fXiaoCount),"
                 "quote(fCredit),quote(fAddress),quote(fVolume) from info order by rowid");
    Table table;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<std::string> &row = table.emplace_back();
        for (const std::string &column : rows.columns())
            row.push_back(rows.text(r, column));
    }
    return table;
}

void Insert(FavouritesDb &db, const std::vector<SqlValue> &values)
{
    db.execute("insert into info values(?,?,?,?,?,?,?,?,?,?,?,?,?)", values);
}

// A stored favourite whose texts are plain except for its id and title.
std::vector<SqlValue> Favourite(const std::string &id, const std::string &title)
{
    return {id,
            title,
            "nick",
            "http://127.0.0.1:1/c?id=1&b=2",
            "",
            "88.00",
            "12.5",
            "pic",
            "6.25",
            std::int64_t(1),
            std::int64_t(2),
            "浙江 杭州",
            std::int64_t(3)};
}

// A program folder's favourites database made from the shipped schema, and a folder for
// backups beside it.
class FavouritesBackupTest : public ::testing::Test {
protected:
    FavouritesBackupTest() { testsupport::createFavouritesDatabase(m_dbFile); }

    std::string Backup(const std::string &name = "favourites.csv") const
    {
        return (m_dir / name).string();
    }

    TempDir m_dir;
    fs::path m_dbFile = m_dir / "data.db";
    FavouritesDb m_db{m_dbFile.string()};
};

TEST(Csv, QuotesAFieldOnlyWhenItMustBe)
{
    const struct {
        std::string value;
        std::string written;
    } cases[] = {
        {"plain text", "plain text"},         {"", ""},
        {"新款 女装", "新款 女装"},           {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"one\r\ntwo", "\"one\r\ntwo\""},
        {"one\ntwo", "\"one\ntwo\""},         {"cr\r", "\"cr\r\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(csvField(c.value), c.written) << c.value;
}

TEST(Csv, ReadsRecordsWithTheLineEachFieldStartsOn)
{
    const struct {
        std::string text;
        std::vector<std::vector<std::pair<std::string, std::size_t>>> records;
    } cases[] = {
        {"", {}},
        {"a", {{{"a", 1}}}},
        {"a,b\r\nc\r\n", {{{"a", 1}, {"b", 1}}, {{"c", 2}}}},
        {"a,b\nc\n", {{{"a", 1}, {"b", 1}}, {{"c", 2}}}},
        {"a,\n", {{{"a", 1}, {"", 1}}}},
        {"\n", {{{"", 1}}}},
        {"a\n\nb", {{{"a", 1}}, {{"", 2}}, {{"b", 3}}}},
        {"\"\"\"\",\"\"", {{{"\"", 1}, {"", 1}}}},
        {"\"x\r\ny\",z\n\"\r\",w", {{{"x\r\ny", 1}, {"z", 2}}, {{"\r", 3}, {"w", 3}}}},
    };
    for (const auto &c : cases) {
        std::vector<std::vector<std::pair<std::string, std::size_t>>> read;
        for (const CsvRecord &record : readCsv(c.text)) {
            auto &fields = read.emplace_back();
            for (const CsvField &field : record)
                fields.emplace_back(field.text, field.line);
        }
        EXPECT_EQ(read, c.records) << c.text;
    }
}

TEST(Csv, WrittenRecordsReadBackUnchanged)
{
    const std::vector<std::vector<std::string>> records = {
        {"a", "b\r\nc", "", "\"quoted\""}, {""}, {"e,f"}, {"\r", "\n", "混合,\"引号\"\n😀"}};
    std::string text;
    for (const auto &record : records)
        appendCsvRecord(text, record);
    std::vector<std::vector<std::string>> read;
    for (const CsvRecord &record : readCsv(text)) {
        auto &fields = read.emplace_back();
        for (const CsvField &field : record)
            fields.push_back(field.text);
    }
    EXPECT_EQ(read, records);
}

TEST_F(FavouritesBackupTest, ExportWritesTheHeaderThenEveryRowInStorageOrder)
{
    EXPECT_EQ(ExportFavourites(m_db, Backup()), 0u);
    EXPECT_EQ(ReadFile(Backup()), kHeader);

    Insert(m_db, {"7", "a,b", "say \"hi\"", "x", "", "1.00", "2", "p", "3",
                  std::int64_t(std::numeric_limits<std::int32_t>::min()), std::int64_t(0),
                  "杭州\r\n西湖", std::int64_t(std::numeric_limits<std::int32_t>::max())});
    m_db.execute("insert into info(fid) values('null columns')");
    // An integer column holding text is written as the program reads it.
    Insert(m_db, {"5", "t", "n", "c", "s", "p", "y", "u", "f", "12abc", "", "a", "-0"});
    EXPECT_EQ(ExportFavourites(m_db, Backup()), 3u);
    EXPECT_EQ(ReadFile(Backup()), kHeader +
                                      "7,\"a,b\",\"say \"\"hi\"\"\",x,,1.00,2,p,3,-2147483648,0,"
                                      "\"杭州\r\n西湖\",2147483647\r\n"
                                      "null columns,,,,,,,,,,,,\r\n"
                                      "5,t,n,c,s,p,y,u,f,12,,a,0\r\n");
}

TEST_F(FavouritesBackupTest, AThousandFavouritesSurviveExportAndImportExactly)
{
    const std::string titles[] = {
        "新款女装 连衣裙",
        "a, b, c",
        "say \"hi\"",
        "\"",
        "line one\r\nline two",
        "line one\nline two",
        "ends in CR\r",
        "\r\n",
        "",
        " blanks around ",
        "混合，\"引号\",\n和换行 😀",
        ",",
    };
    const std::int64_t counts[] = {0,
                                   1,
                                   -1,
                                   345,
                                   std::numeric_limits<std::int32_t>::max(),
                                   std::numeric_limits<std::int32_t>::min(),
                                   70000};
    m_db.execute("begin");
    for (int i = 0; i < 1000; ++i) {
        const std::string id = i % 7 == 0 ? "id,\"" + std::to_string(i) : std::to_string(1000 + i);
        const std::string title = titles[i % std::size(titles)] + (i % 3 ? "" : std::to_string(i));
        Insert(m_db, {id, title, i % 4 ? "卖家" + std::to_string(i) : "",
                      "http://127.0.0.1:1/click?id=" + id, "", "88.00", "12.5",
                      "http://127.0.0.1:1/pic/" + std::to_string(i) + ".jpg", "6.25",
                      counts[i % std::size(counts)], counts[(i + 1) % std::size(counts)],
                      i % 5 ? "浙江,杭州" : "", counts[(i + 2) % std::size(counts)]});
    }
    m_db.execute("commit");

    ExportFavourites(m_db, Backup());
    const fs::path freshFile = m_dir / "fresh.db";
    testsupport::createFavouritesDatabase(freshFile);
    FavouritesDb fresh(freshFile.string());
    const FavouritesImport result = ImportFavourites(fresh, Backup());

    EXPECT_EQ(result.added, 1000u);
    EXPECT_EQ(result.alreadyThere, 0u);
    const Table original = StoredCells(m_db);
    const Table imported = StoredCells(fresh);
    ASSERT_EQ(imported.size(), original.size());
    for (std::size_t r = 0; r < original.size(); ++r)
        ASSERT_EQ(imported[r], original[r]) << "row " << r;
}

TEST_F(FavouritesBackupTest, ImportSkipsStoredAndRepeatedIdsAndKeepsStoredRows)
{
    Insert(m_db, Favourite("2", "stored two"));
    Insert(m_db, Favourite("4", "stored four"));
    const Table stored = StoredCells(m_db);
    const std::string row = ",n,c,s,1,2,p,3,4,5,a,6\r\n";
    WriteFile(Backup(), kHeader + "1,one" + row + "2,two" + row + "3,three" + row + "4,four" + row +
                            "3,three again" + row);

    const FavouritesImport result = ImportFavourites(m_db, Backup());

    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(result.alreadyThere, 3u);
    const Table cells = StoredCells(m_db);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0], stored[0]);
    EXPECT_EQ(cells[1], stored[1]);
    EXPECT_EQ(cells[2][0] + cells[2][1], "'1''one'");
    EXPECT_EQ(cells[3][0] + cells[3][1], "'3''three'");
}

TEST(FavouritesBackup, ImportAcceptsEitherLineEndAByteOrderMarkAndEmptyCounts)
{
    const std::string header = kHeader.substr(0, kHeader.size() - 2);
    const std::string first = "1,\"two\r\nlines\",n,c,s,1,2,p,3,4,5,a,6";
    const std::string second = "2,t,,,,,,,,,,,";
    const struct {
        const char *name;
        std::string text;
    } cases[] = {
        {"CRLF", header + "\r\n" + first + "\r\n" + second + "\r\n"},
        {"LF", header + "\n" + first + "\n" + second + "\n"},
        {"no final line end", header + "\r\n" + first + "\r\n" + second},
        {"mixed line ends", header + "\n" + first + "\r\n" + second + "\n"},
        {"byte order mark", "\xEF\xBB\xBF" + header + "\r\n" + first + "\r\n" + second + "\r\n"},
        {"second final CRLF", header + "\r\n" + first + "\r\n" + second + "\r\n\r\n"},
        {"second final LF", header + "\n" + first + "\n" + second + "\n\n"},
        {"blank lines without a final line end",
         header + "\n" + first + "\n" + second + "\n\r\n\n"},
        {"several blank lines", header + "\r\n" + first + "\r\n" + second + "\r\n\r\n\n\r\n\r\n"},
    };
    const Table expected = {
        {"'1'", "'two\r\nlines'", "'n'", "'c'", "'s'", "'1'", "'2'", "'p'", "'3'", "4", "5", "'a'",
         "6"},
        {"'2'", "'t'", "''", "''", "''", "''", "''", "''", "''", "0", "0", "''", "0"},
    };
    for (const auto &c : cases) {
        TempDir dir;
        testsupport::createFavouritesDatabase(dir / "data.db");
        FavouritesDb db((dir / "data.db").string());
        WriteFile(dir / "backup.csv", c.text);

        const FavouritesImport result = ImportFavourites(db, (dir / "backup.csv").string());

        EXPECT_EQ(result.added, 2u) << c.name;
        EXPECT_EQ(StoredCells(db), expected) << c.name;
    }
}

TEST_F(FavouritesBackupTest, AMalformedFileNamesItsLineAndImportsNothing)
{
    Insert(m_db, Favourite("stored", "kept as it is"));
    const std::string dbBytes = ReadFile(m_dbFile);
    const Table dbCells = StoredCells(m_db);
    const std::string good = "1,t,n,c,s,1,2,p,3,4,5,a,6\r\n";
    // A record whose title spans two lines, so that later line numbers count its line break.
    const std::string twoLines = "2,\"one\r\ntwo\",n,c,s,1,2,p,3,4,5,a,6\r\n";
    const auto withTitle = [](const std::string &title) {
        return "3," + title + ",n,c,s,1,2,p,3,4,5,a,6\r\n";
    };
    const auto withCounts = [](const std::string &counts) {
        return "3,t,n,c,s,1,2,p,3," + counts + ",a,6\r\n";
    };
    const struct {
        const char *name;
        std::string text;
        std::size_t line;
    } cases[] = {
        {"empty file", "", 1},
        {"header in another letter case",
         "fid,fTitle,fnick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,fXiaoCount,"
         "fCredit,fAddress,fVolume\r\n" +
             good,
         1},
        {"header without fVolume", kHeader.substr(0, kHeader.size() - 10) + "\r\n" + good, 1},
        {"records without header", good + good, 1},
        {"short record", kHeader + good + "3,t,n\r\n" + good, 3},
        {"long record", kHeader + good + "3,t,n,c,s,1,2,p,3,4,5,a,6,extra\r\n", 3},
        {"record cut short after a title on two lines", kHeader + good + "3,\"a\nb\",n\r\n", 4},
        {"blank line in the middle", kHeader + good + "\r\n" + good, 3},
        {"blank line among blank lines at the end", kHeader + good + "\r\n" + good + "\r\n\r\n", 3},
        {"quoted empty field after the last record", kHeader + good + "\"\"\r\n", 3},
        {"header then blank lines then a record", kHeader + "\r\n\r\n" + good, 2},
        {"quote in an unquoted field", kHeader + good + withTitle("ti\"tle"), 3},
        {"junk after a closing quote", kHeader + twoLines + withTitle("\"title\"x"), 4},
        {"unclosed quote", kHeader + good + withTitle("\"title") + good, 3},
        {"lone CR in an unquoted field", kHeader + good + withTitle("a\rb"), 3},
        {"invalid UTF-8 byte", kHeader + twoLines + withTitle("caf\xC3(") + good, 4},
        {"overlong UTF-8 form", kHeader + good + withTitle("\xE0\x80\xAF"), 3},
        {"UTF-16 surrogate", kHeader + good + withTitle("\xED\xA0\x80"), 3},
        {"invalid UTF-8 in the header", "fid\xFF" + kHeader.substr(3) + good, 1},
        {"empty id", kHeader + good + ",t,n,c,s,1,2,p,3,4,5,a,6\r\n", 3},
        {"word for a count", kHeader + good + withCounts("many,5"), 3},
        {"fraction for a count", kHeader + good + withCounts("4,1.5"), 3},
        {"plus sign", kHeader + good + withCounts("+4,5"), 3},
        {"blank before a count", kHeader + good + withCounts(" 4,5"), 3},
        {"lone minus", kHeader + good + withCounts("4,-"), 3},
        {"count beyond 64 bits", kHeader + good + withCounts("9223372036854775808,5"), 3},
        {"count beyond 32 bits", kHeader + good + withCounts("5000000000,5"), 3},
        {"count just beyond 32 bits", kHeader + good + withCounts("4,2147483648"), 3},
        {"count just below 32 bits", kHeader + good + withCounts("-2147483649,5"), 3},
        {"volume beyond 32 bits", kHeader + good + "3,t,n,c,s,1,2,p,3,4,5,a,4294967296\r\n", 3},
        {"volume on the second line of its record", kHeader + "3,\"a\r\nb\",n,c,s,1,2,p,3,4,5,a,x",
         3},
    };
    for (const auto &c : cases) {
        WriteFile(Backup(), c.text);
        const std::string prefix =
            "备份文件有误：" + Backup() + " 第 " + std::to_string(c.line) + " 行：";
        try {
            ImportFavourites(m_db, Backup());
            ADD_FAILURE() << c.name << ": imported";
        } catch (const BackupError &error) {
            EXPECT_EQ(error.line(), c.line) << c.name << ": " << error.what();
            EXPECT_EQ(std::string(error.what()).substr(0, prefix.size()), prefix) << c.name;
        }
        EXPECT_TRUE(ReadFile(m_dbFile) == dbBytes) << c.name;
        EXPECT_EQ(StoredCells(m_db), dbCells) << c.name;
    }
}

TEST_F(FavouritesBackupTest, AMalformedFileSaysWhatIsWrongWithTheLine)
{
    const std::string good = "1,t,n,c,s,1,2,p,3,4,5,a,6\r\n";
    const struct {
        std::string text;
        std::string message;  // after "<file> "
    } cases[] = {
        {"fid,fTitle\r\n" + good,
         "第 1 行：不是列名 fid,fTitle,fNick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,"
         "fXiaoCount,fCredit,fAddress,fVolume"},
        {kHeader + good + "2,t,n\r\n", "第 3 行：记录有 3 个字段，应有 13 个"},
        {kHeader + "2,t,n,c,s,1,2,p,3,4,5,a,6,x,y\r\n", "第 2 行：记录的字段多于 13 个"},
        {kHeader + ",t,n,c,s,1,2,p,3,4,5,a,6\r\n", "第 2 行：fid 是空的"},
        {kHeader + "2,t,n,c,s,1,2,p,3,4,many,a,6\r\n", "第 2 行：fCredit 不是整数"},
        {kHeader + "2,\"t\r\nt\",n,c,s,1,2,p,3,5000000000,5,a,6\r\n",
         "第 3 行：fXiaoCount 超出范围（-2147483648 到 2147483647）"},
        {kHeader + "2,t,n,c,s,1,2,p,3,4,5,a,-99999999999\r\n",
         "第 2 行：fVolume 超出范围（-2147483648 到 2147483647）"},
        {kHeader + "2,t\"t,n,c,s,1,2,p,3,4,5,a,6\r\n", "第 2 行：不带引号的字段里有双引号"},
        {kHeader + "2,\"t\"t,n,c,s,1,2,p,3,4,5,a,6\r\n",
         "第 2 行：结束的引号后面既不是逗号也不是行尾"},
        {kHeader + good + "2,\"t,n\r\n", "第 3 行：带引号的字段没有结束的引号"},
        {kHeader + "2,a\rb,n,c,s,1,2,p,3,4,5,a,6\r\n", "第 2 行：不带引号的字段里有回车符"},
        {kHeader + "2,caf\xE9,n,c,s,1,2,p,3,4,5,a,6\r\n", "第 2 行：含有无效的 UTF-8 字节"},
    };
    for (const auto &c : cases) {
        WriteFile(Backup(), c.text);
        try {
            ImportFavourites(m_db, Backup());
            ADD_FAILURE() << c.message << ": imported";
        } catch (const BackupError &error) {
            EXPECT_EQ(std::string(error.what()), "备份文件有误：" + Backup() + " " + c.message);
        }
    }
}

TEST_F(FavouritesBackupTest, ADatabaseFailureSaysWhichCommandFailed)
{
    WriteFile(Backup(), kHeader + "1,t,n,c,s,1,2,p,3,4,5,a,6\r\n");
    const std::string missing = (m_dir / "missing.db").string();
    const std::string cannotOpen =
        "收藏夹数据库无法打开：" + missing + ": unable to open database file";
    const struct {
        const char *name;
        std::string database;
        bool import;
        std::string message;
    } cases[] = {
        {"export without the table", m_dbFile.string(), false,
         "收藏夹无法导出：no such table: info"},
        {"import without the table", m_dbFile.string(), true,
         "收藏夹无法导入：no such table: info"},
        // The opening's own words, with nothing put in front by the command.
        {"export from a missing file", missing, false, cannotOpen},
        {"import into a missing file", missing, true, cannotOpen},
    };
    m_db.execute("drop table info");
    for (const auto &c : cases) {
        FavouritesDb db(c.database);
        try {
            if (c.import)
                ImportFavourites(db, Backup());
            else
                ExportFavourites(db, Backup(std::string(c.name) + ".csv"));
            ADD_FAILURE() << c.name << ": no error";
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), c.message) << c.name;
        }
    }
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(FavouritesBackupTest, AFailedInsertRollsBackTheWholeImport)
{
    Insert(m_db, Favourite("stored", "kept as it is"));
    m_db.execute("create trigger refuse before insert on info when new.fid = 'refused' "
                 "begin select raise(abort, 'refused by the test'); end");
    const Table before = StoredCells(m_db);
    const std::string row = ",t,n,c,s,1,2,p,3,4,5,a,6\r\n";
    WriteFile(Backup(), kHeader + "1" + row + "2" + row + "refused" + row + "3" + row);

    try {
        ImportFavourites(m_db, Backup());
        ADD_FAILURE() << "imported";
    } catch (const DatabaseError &error) {
        EXPECT_EQ(std::string(error.what()), "收藏夹无法导入：refused by the test");
    }

    EXPECT_EQ(StoredCells(m_db), before);
    // No transaction is left open: what the connection writes next is committed, so another
    // connection sees it.
    Insert(m_db, Favourite("after", "t"));
    std::vector<std::string> ids = testsupport::storedFavouriteIds(m_dbFile);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"after", "stored"}));
}

TEST_F(FavouritesBackupTest, AFileThatCannotBeReadIsNamedAndImportsNothing)
{
    Insert(m_db, Favourite("stored", "kept as it is"));
    const std::string dbBytes = ReadFile(m_dbFile);
    fs::create_directory(m_dir / "folder.csv");
    WriteFile(m_dir / "huge.csv", kHeader);
    fs::resize_file(m_dir / "huge.csv", kMaxBackupBytes + 1);
    const struct {
        std::string file;
        std::string failure;
        std::string reason;
    } cases[] = {
        {Backup("missing.csv"), "备份文件无法读取", std::strerror(ENOENT)},
        {Backup("folder.csv"), "备份文件无法读取", ""},
        {Backup("huge.csv"), "备份文件过大", "大于备份的上限 64 MiB"},
    };
    for (const auto &c : cases) {
        try {
            ImportFavourites(m_db, c.file);
            ADD_FAILURE() << c.file << ": imported";
        } catch (const BackupError &error) {
            const std::string message = error.what();
            const std::string prefix = c.failure + "：" + c.file + ": ";
            EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
            EXPECT_EQ(error.line(), 0u);
        }
        EXPECT_TRUE(ReadFile(m_dbFile) == dbBytes) << c.file;
    }
}

TEST_F(FavouritesBackupTest, AnUnwritableDestinationIsNamedAndLeftAsItWas)
{
    Insert(m_db, Favourite("stored", "t"));
    fs::create_directory(m_dir / "folder.csv");
    fs::create_directory_symlink("folder.csv", m_dir / "link.csv");
    const std::vector<std::string> namesBefore = m_dir.names();
    const std::string isAFolder = "这是一个文件夹";
    const struct {
        std::string file;
        std::string reason;
    } cases[] = {
        {Backup("no such folder/favourites.csv"), std::strerror(ENOENT)},
        {Backup("folder.csv"), isAFolder},
        {Backup("folder.csv/"), isAFolder},
        {Backup("link.csv"), isAFolder},
        {m_dir.path().string(), isAFolder},
    };
    for (const auto &c : cases) {
        try {
            ExportFavourites(m_db, c.file);
            ADD_FAILURE() << c.file << ": written";
        } catch (const BackupError &error) {
            EXPECT_EQ(std::string(error.what()), "备份文件无法写入：" + c.file + ": " + c.reason);
        }
        EXPECT_EQ(m_dir.names(), namesBefore) << c.file;
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "folder.csv"));
    EXPECT_TRUE(fs::is_empty(m_dir / "folder.csv"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.csv"));
}

TEST_F(FavouritesBackupTest, ExportRefusesWhatCouldNotBeImportedAgain)
{
    const auto withCount = [](std::size_t column, const SqlValue &count) {
        std::vector<SqlValue> favourite = Favourite("1", "t");
        favourite[column] = count;
        return favourite;
    };
    const std::string range = " 超出范围（-2147483648 到 2147483647）";
    const struct {
        std::vector<SqlValue> favourite;
        std::string reason;
    } cases[] = {
        {Favourite("1", "caf\xE9"), "第 2 条收藏的 fTitle 含有无效的 UTF-8 字节"},
        {Favourite("", "t"), "第 2 条收藏的 fid 是空的"},
        {withCount(9, std::int64_t(5000000000)), "第 2 条收藏的 fXiaoCount" + range},
        {withCount(10, std::int64_t(-2147483649)), "第 2 条收藏的 fCredit" + range},
        // A text SQLite reads as a number beyond the range.
        {withCount(12, "2147483648 sold"), "第 2 条收藏的 fVolume" + range},
    };
    for (const auto &c : cases) {
        m_db.execute("delete from info");
        Insert(m_db, Favourite("good", "t"));
        Insert(m_db, c.favourite);
        WriteFile(Backup(), "an older backup");
        try {
            ExportFavourites(m_db, Backup());
            ADD_FAILURE() << c.reason << ": written";
        } catch (const BackupError &error) {
            EXPECT_EQ(std::string(error.what()), "备份文件没有写出：" + Backup() + ": " + c.reason);
        }
        EXPECT_EQ(ReadFile(Backup()), "an older backup") << c.reason;
    }
}

}  // namespace
}  // namespace quenbo
