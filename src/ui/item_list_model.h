#pragma once

#include "core/uTypeData.h"

#include <QAbstractListModel>
#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace quenbo {

class FavouritesStore;

// What the item list sorts by: seller credit, price, 30-day sales or cash-back. The values are
// the keys the sort buttons pass.
enum class ItemSortKey : std::uint8_t { Credit = 0, Price = 1, Sales = 2, CashBack = 3 };

// The rows of the item list: one page's records in the order they are shown, each with the
// state of its picture and, once made, its thumbnail. The records are the model's own copies,
// so a paint reads its row directly. GUI thread only.
class ItemListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum class Picture : std::uint8_t { Waiting, Shown, None };

    struct Row {
        TTaoBaoData record;
        Picture picture = Picture::Waiting;
        QImage thumbnail;  // null until the picture is Shown
    };

    // favourites tells which rows are stored favourites (read for the screen reader's text);
    // it must outlive the model.
    explicit ItemListModel(const FavouritesStore &favourites, QObject *parent = nullptr);

    // Replaces every row by the records, in their order, each waiting for its picture.
    void setPage(std::vector<TTaoBaoData> records);
    void clear();

    // The row at index, which must be in range.
    const Row &row(int index) const { return m_rows[std::size_t(index)]; }
    // The first row with this id, or -1.
    int rowOf(const std::string &id) const;

    // The item's picture arrived: its first row shows the thumbnail, or, for a null one (the
    // picture does not decode), that it has no picture.
    void setThumbnail(const std::string &id, const QImage &thumbnail);
    // The item's picture will not come: its first row shows that it has none, unless a picture
    // is shown there already.
    void markNoPicture(const std::string &id);
    // Removes the first row with this id; false when there is none.
    bool removeItem(const std::string &id);
    // Tells the views that the first row with this id changed (its favourite mark).
    void refresh(const std::string &id);

    // Sorts the rows stably by key; a value outside the four keys keeps the order. Equal rows
    // keep their order both ways.
    void sortRows(ItemSortKey key, bool ascending);
    ItemSortKey sortKey() const { return m_sortKey; }

    // What a screen reader reads for a row: its title, price and seller, and whether it is a
    // favourite.
    QString rowText(int index) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The title for Qt::DisplayRole, rowText for Qt::AccessibleTextRole.
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void changed(int index);

    const FavouritesStore &m_favourites;
    std::vector<Row> m_rows;
    ItemSortKey m_sortKey = ItemSortKey::Credit;
};

// Negative when a comes before b under key, zero when they are equal, positive otherwise.
int CompareItems(const TTaoBaoData &a, const TTaoBaoData &b, ItemSortKey key);

}  // namespace quenbo
