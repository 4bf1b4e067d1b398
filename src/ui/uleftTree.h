#pragma once

#include "core/uTypeData.h"
#include "ui/category_delegate.h"

#include <QModelIndex>
#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class QWidget;

namespace quenbo {

class CategoryModel;
class CategoryTreeView;
class TZipFile;
struct CategoryLevelAnswer;

// The category tree presenter: owns the tree's model and delegate and decides what the tree
// does. The tree grows a level at a time: a category's subcategories are asked for the first
// time it is pressed (any button) or opened by key, once while that question is out, and it
// opens when they arrive if the presses and keys made meanwhile leave it open; a loaded one
// opens and closes at once. A level that failed leaves its category closed and unloaded, so
// the next press asks again; when the top level failed, a press on the empty tree or the next
// search asks again. A double-click or Enter also lists the category's items. While a level
// is out the tree shows the busy cursor and the status line says so; a failure is said there.
// GUI thread only.
class TleftTree : public QObject {
    Q_OBJECT

public:
    static constexpr int kRowHeight = CategoryDelegate::kRowHeight;

    // What the window does for the tree.
    struct Wiring {
        // Asks the gateway for the subcategories of parentId; its answer comes back through
        // ApplyCategoryLevel.
        std::function<void(const std::string &parentId)> askLevel;
        // Lists the items of category cid, page 1.
        std::function<void(const std::string &cid)> listItems;
        // Says what the tree is doing in the status line; an empty text clears it.
        std::function<void(const std::string &text, bool failure)> showStatus;
    };

    // Takes over tree and loadingIndicator, which must outlive this presenter, gives the tree
    // its model and delegate, and loads the parent marker "class_1" from zip (none when it
    // fails to load).
    TleftTree(CategoryTreeView *tree, QWidget *loadingIndicator, const TZipFile &zip,
              Wiring wiring);
    // Leaves the tree without model, delegate and row commands.
    ~TleftTree() override;

    // Asks for the subcategories of parentId ("0": the top level) unless that level is out.
    // The loading indicator shows while the top level is asked for an empty tree.
    void LoadCategoryLevel(const std::string &parentId);
    // The gateway's answer about a level: its categories go under the category asked about
    // (found by its id, however the tree changed meanwhile), which becomes loaded and opens or
    // not as the presses made meanwhile ask; after a failure it stays closed and unloaded. The
    // loading indicator is hidden whatever happened.
    void ApplyCategoryLevel(const CategoryLevelAnswer &answer);
    // Asks for the top level again when its last answer was a failure.
    void RetryTopLevel();
    // Whether the top level is being asked for.
    bool LoadingTopLevel() const;

    // Appends a copy of record as the last child of the category parentId, or at the top level
    // when parentId is 0 or names no category. Does not open the parent.
    void AddCategory(const TShopClass &record, std::int32_t parentId);
    // The first category in pre-order, collapsed subtrees included, whose Cid reads as id.
    QModelIndex FindCategoryNode(std::int32_t id) const;
    // Opens or closes a category; an unloaded one is asked for and opens when its
    // subcategories arrive.
    void OpenCategory(const QModelIndex &index, bool open);
    // The row last lit as the one under the mouse; invalid for none.
    QModelIndex HotNode() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void AskLevel(const std::string &parentId);
    // A press with any button at pos, the second press of a double-click too.
    void HandleMouseDown(QPoint pos, bool doubleClick);
    // Right or "+", Left or "-", Enter on the current row; true when the key was one of them.
    bool HandleKey(int key);
    void TrackHotNode(QPoint pos);
    void ListItems(const QModelIndex &index);
    // Whether the presses and keys made while the category's level is out want it open.
    bool Opening(const QModelIndex &index) const;

    CategoryTreeView *FTree;
    QWidget *FLoadingIndicator;
    Wiring FWiring;
    CategoryModel *FModel;
    CategoryDelegate *FDelegate;
    // The categories pressed or opened by key while their level is out, by Cid: whether they
    // open when it arrives.
    std::map<std::string, bool> FOpenWhenLoaded;
    bool FTopLevelFailed = false;  // the last answer about the top level was a failure
};

}  // namespace quenbo
