#pragma once

#include "core/uTypeData.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quenbo {

// The category tree's rows: one column, one node per category, each holding its own copy of
// the category record, whose Loaded flag is the one that counts. The tree grows a level at a
// time, the way Qt's lazy models do: a category that is not loaded and whose level is not out
// can fetch more, and fetching asks for its level through levelWanted, once while that level
// is out. Nodes are never removed. No widgets; GUI thread only.
class CategoryModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit CategoryModel(QObject *parent = nullptr);
    ~CategoryModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // The category's name, for Qt::DisplayRole and Qt::AccessibleTextRole.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    // Asks for the subcategories of parent when canFetchMore allows it.
    void fetchMore(const QModelIndex &parent) override;

    // The record of the category at index; null for an index of no category of this model.
    // The pointer stays valid as long as the model.
    static const TShopClass *category(const QModelIndex &index);
    // The first category in pre-order (a category, its subtree, then its next sibling),
    // collapsed subtrees included, whose Cid reads as id; invalid when there is none.
    QModelIndex findCategory(std::int32_t id) const;

    // Asks for the level under parentId, a category's Cid or "0" for the top level, unless
    // that level is out already. True when it asked.
    bool askLevel(const std::string &parentId);
    bool levelOut(const std::string &parentId) const { return m_levelsOut.contains(parentId); }
    bool anyLevelOut() const { return !m_levelsOut.empty(); }
    // Appends records, in their order, under the category findCategory(parentId) finds, or at
    // the top level for 0 or when it finds none. Returns that category, or invalid.
    QModelIndex addCategories(std::int32_t parentId, const std::vector<TShopClass> &records);
    // The answer about the level under parentId, which is no longer out: its records are added
    // as addCategories adds them under parentId read as a number. When loaded, the category
    // found becomes loaded; otherwise it stays unloaded and can be asked again.
    QModelIndex addLevel(const std::string &parentId, const std::vector<TShopClass> &records,
                         bool loaded);

signals:
    // The level under parentId is wanted; emitted once while that level is out.
    void levelWanted(const std::string &parentId);

private:
    struct Node {
        TShopClass record;
        Node *parent = nullptr;
        int row = 0;
        std::vector<std::unique_ptr<Node>> children;
    };

    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(const Node *node) const;
    void append(const QModelIndex &parent, const std::vector<TShopClass> &records);

    Node m_root;
    std::set<std::string> m_levelsOut;
};

}  // namespace quenbo
