#include "ui/item_list_model.h"

#include "core/favourites_store.h"
#include "core/number_format.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace quenbo {

namespace {

// v rounded to the nearest whole number, halves away from zero; 0 outside the 32-bit range.
std::int64_t whole(double v)
{
    const double rounded = std::round(v);
    if (!std::isfinite(rounded) || rounded < double(std::numeric_limits<std::int32_t>::min()) ||
        rounded > double(std::numeric_limits<std::int32_t>::max()))
        return 0;
    return std::int64_t(rounded);
}

int sign(std::int64_t difference)
{
    return (difference > 0) - (difference < 0);
}

QString text(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}  // namespace

int CompareItems(const TTaoBaoData &a, const TTaoBaoData &b, ItemSortKey key)
{
    switch (key) {
    case ItemSortKey::Credit:
        return sign(std::int64_t(a.CreditScore) - b.CreditScore);
    case ItemSortKey::Price:
        // A price that is not a number counts as 0, as missing numbers do everywhere else.
        return sign(whole(parseNumber(a.Price, 0)) - whole(parseNumber(b.Price, 0)));
    case ItemSortKey::Sales:
        return sign(std::int64_t(a.Volume) - b.Volume);
    case ItemSortKey::CashBack:
        return sign(whole(a.CashBack) - whole(b.CashBack));
    default:
        return 0;
    }
}

ItemListModel::ItemListModel(const FavouritesStore &favourites, QObject *parent)
    : QAbstractListModel(parent)
    , m_favourites(favourites)
{
}

void ItemListModel::setPage(std::vector<TTaoBaoData> records)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(records.size());
    for (TTaoBaoData &record : records)
        m_rows.push_back(Row{std::move(record), Picture::Waiting, {}});
    endResetModel();
}

void ItemListModel::clear()
{
    setPage({});
}

int ItemListModel::rowOf(const std::string &id) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                    [&id](const Row &row) { return row.record.NumIid == id; });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

void ItemListModel::setThumbnail(const std::string &id, const QImage &thumbnail)
{
    const int index = rowOf(id);
    if (index < 0)
        return;
    Row &row = m_rows[std::size_t(index)];
    row.thumbnail = thumbnail;
    row.picture = thumbnail.isNull() ? Picture::None : Picture::Shown;
    changed(index);
}

void ItemListModel::markNoPicture(const std::string &id)
{
    const int index = rowOf(id);
    // Another batch of the same page may have brought the picture already.
    if (index < 0 || m_rows[std::size_t(index)].picture == Picture::Shown)
        return;
    m_rows[std::size_t(index)].picture = Picture::None;
    changed(index);
}

bool ItemListModel::removeItem(const std::string &id)
{
    const int index = rowOf(id);
    if (index < 0)
        return false;
    beginRemoveRows(QModelIndex(), index, index);
    m_rows.erase(m_rows.begin() + index);
    endRemoveRows();
    return true;
}

void ItemListModel::refresh(const std::string &id)
{
    if (const int index = rowOf(id); index >= 0)
        changed(index);
}

void ItemListModel::sortRows(ItemSortKey key, bool ascending)
{
    m_sortKey = key;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    // Descending order uses the reversed comparison, so equal rows keep their order both ways.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const TTaoBaoData &first = m_rows[a].record;
        const TTaoBaoData &second = m_rows[b].record;
        return ascending ? CompareItems(first, second, key) < 0
                         : CompareItems(second, first, key) < 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPlace(m_rows.size());
    for (std::size_t place = 0; place < order.size(); ++place) {
        newPlace[order[place]] = int(place);
        sorted.push_back(std::move(m_rows[order[place]]));
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after << this->index(newPlace[std::size_t(index.row())]);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString ItemListModel::rowText(int index) const
{
    const TTaoBaoData &record = row(index).record;
    QString read = text(record.Title) + QStringLiteral("，价格 ") + text(record.Price) +
                   QStringLiteral(" 元，掌柜 ") + text(record.Nick);
    if (m_favourites.contains(record.NumIid))
        read += QStringLiteral("，已收藏");
    return read;
}

int ItemListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ItemListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(row(index.row()).record.Title);
    case Qt::AccessibleTextRole:
        return rowText(index.row());
    default:
        return {};
    }
}

void ItemListModel::changed(int index)
{
    const QModelIndex at = this->index(index);
    emit dataChanged(at, at);
}

}  // namespace quenbo
