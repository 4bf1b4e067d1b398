#pragma once

#include "core/id_list.h"
#include "core/uTypeData.h"
#include "platform/favourites_db.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The favourites table "info" of the favourites database: its thirteen columns, every
// statement the program runs on it, and the ids it holds.

namespace quenbo {

// The table's columns in storage order. fXiaoCount, fCredit and fVolume hold the item's
// counts; the others hold texts (fYongjin and fFanxian the amounts as decimal texts).
inline constexpr std::size_t kFavouriteColumnCount = 13;
inline constexpr std::array<std::string_view, kFavouriteColumnCount> kFavouriteColumns = {
    "fid",     "fTitle",   "fNick",      "fClick",  "fShopClick", "fPrice",  "fYongjin",
    "fPicUrl", "fFanxian", "fXiaoCount", "fCredit", "fAddress",   "fVolume",
};
// The column names in storage order, separated by ",".
std::string FavouriteColumnNames();
// Whether the column of this index holds one of the item's counts (the table declares it
// INTEGER).
bool IsFavouriteCountColumn(std::size_t column);

// One favourite's values in column order.
using FavouriteRecord = std::array<SqlValue, kFavouriteColumnCount>;

// What an import did: records added as new rows, and records left out because their fid is
// stored already or came earlier in the same list.
struct FavouritesImport {
    std::size_t added = 0;
    std::size_t alreadyThere = 0;
};

// The thirteen columns of every stored favourite, in storage order. Raises DatabaseError
// ("收藏夹无法导出：<SQLite's message>"); a file that cannot be opened in its own words.
DbRows ReadFavouritesInStorageOrder(FavouritesDb &db);
// Adds the favourites whose fid is not stored yet, in order, all in one transaction that is
// rolled back when a statement fails. Raises DatabaseError ("收藏夹无法导入：<SQLite's
// message>"); a file that cannot be opened in its own words.
FavouritesImport AddNewFavourites(FavouritesDb &db, const std::vector<FavouriteRecord> &records);

// The program's favourites: the connection to the database file and the ids stored there, so
// the favourite button shows what is stored in every view. GUI thread only.
//
// A failure raises DatabaseError saying in Chinese what failed, then "：" and the database's
// message ("收藏夹无法保存：database is locked"); a file that cannot be opened is reported in
// the database layer's words, and a store closed by close() as "收藏夹数据库没有打开". The
// file is opened at the first statement; nothing here creates it.
class FavouritesStore {
public:
    explicit FavouritesStore(std::string file);

    const std::string &file() const { return m_file; }

    // Every stored row with every column of the table.
    DbRows rows();
    // Every stored favourite as an item record (its picture made empty, to be fetched), in
    // storage order; the ids counted as favourites become theirs.
    std::vector<TTaoBaoData> records();
    // Stores record, once per id, and counts its id as a favourite from now on.
    void add(const TTaoBaoData &record);
    // Removes every stored row of the id, and the id from the favourites.
    void remove(const std::string &id);

    // Reads the ids stored now; a database that cannot be read leaves none and says nothing
    // (the operations report it when used).
    void loadIds();
    bool contains(const std::string &id) const { return m_ids.contains(id); }
    // The ids counted as favourites, as the listing, adding and removing left them.
    IdList &ids() { return m_ids; }
    const IdList &ids() const { return m_ids; }

    // A fresh connection, as at the next start: the file is opened anew at the next statement
    // and a lock is waited for up to busyTimeoutMs.
    void reconnect(int busyTimeoutMs);
    // Closes the connection and forgets the ids; later operations fail.
    void close();

private:
    FavouritesDb &opened();

    std::string m_file;
    std::unique_ptr<FavouritesDb> m_db;
    IdList m_ids;
};

}  // namespace quenbo
