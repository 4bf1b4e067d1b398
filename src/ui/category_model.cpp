#include "ui/category_model.h"

#include "gateway/category_query.h"

namespace quenbo {

CategoryModel::CategoryModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

CategoryModel::~CategoryModel() = default;

CategoryModel::Node *CategoryModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Node *>(index.internalPointer());
}

QModelIndex CategoryModel::indexOf(const Node *node) const
{
    if (!node || node == &m_root)
        return {};
    return createIndex(node->row, 0, node);
}

QModelIndex CategoryModel::index(int row, int column, const QModelIndex &parent) const
{
    const Node *owner = parent.isValid() ? nodeOf(parent) : &m_root;
    if (!owner || column != 0 || row < 0 || row >= int(owner->children.size()))
        return {};
    return indexOf(owner->children[std::size_t(row)].get());
}

QModelIndex CategoryModel::parent(const QModelIndex &child) const
{
    const Node *node = nodeOf(child);
    return node ? indexOf(node->parent) : QModelIndex();
}

int CategoryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node *owner = parent.isValid() ? nodeOf(parent) : &m_root;
    return owner ? int(owner->children.size()) : 0;
}

int CategoryModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant CategoryModel::data(const QModelIndex &index, int role) const
{
    const Node *node = nodeOf(index);
    if (!node || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return QString::fromStdString(node->record.Name);
}

bool CategoryModel::canFetchMore(const QModelIndex &parent) const
{
    // The top level is asked for by the window's first loading, never by a view laying out.
    const Node *node = nodeOf(parent);
    return node && !node->record.Loaded && !levelOut(node->record.Cid);
}

void CategoryModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        askLevel(nodeOf(parent)->record.Cid);
}

const TShopClass *CategoryModel::category(const QModelIndex &index)
{
    const auto *model = qobject_cast<const CategoryModel *>(index.model());
    const Node *node = model ? model->nodeOf(index) : nullptr;
    return node ? &node->record : nullptr;
}

QModelIndex CategoryModel::findCategory(std::int32_t id) const
{
    std::vector<const Node *> pending;
    for (auto it = m_root.children.rbegin(); it != m_root.children.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        const Node *node = pending.back();
        pending.pop_back();
        if (CategoryIdNumber(node->record.Cid) == id)
            return indexOf(node);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.push_back(it->get());
    }
    return {};
}

bool CategoryModel::askLevel(const std::string &parentId)
{
    if (!m_levelsOut.insert(parentId).second)
        return false;
    emit levelWanted(parentId);
    return true;
}

QModelIndex CategoryModel::addCategories(std::int32_t parentId,
                                         const std::vector<TShopClass> &records)
{
    const QModelIndex parent = parentId == 0 ? QModelIndex() : findCategory(parentId);
    append(parent, records);
    return parent;
}

QModelIndex CategoryModel::addLevel(const std::string &parentId,
                                    const std::vector<TShopClass> &records, bool loaded)
{
    m_levelsOut.erase(parentId);
    const std::int32_t id = CategoryIdNumber(parentId);
    const QModelIndex parent = id == 0 ? QModelIndex() : findCategory(id);
    // Loaded before the rows arrive, so that a view reacting to them finds nothing to fetch.
    if (Node *node = nodeOf(parent); node && loaded)
        node->record.Loaded = true;
    append(parent, records);
    return parent;
}

void CategoryModel::append(const QModelIndex &parent, const std::vector<TShopClass> &records)
{
    if (records.empty())
        return;
    Node *owner = parent.isValid() ? nodeOf(parent) : &m_root;
    const int first = int(owner->children.size());
    beginInsertRows(parent, first, first + int(records.size()) - 1);
    for (const TShopClass &record : records) {
        auto node = std::make_unique<Node>();
        node->record = record;
        node->parent = owner;
        node->row = int(owner->children.size());
        owner->children.push_back(std::move(node));
    }
    endInsertRows();
}

}  // namespace quenbo
