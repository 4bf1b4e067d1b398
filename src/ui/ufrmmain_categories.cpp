// The category query and the category tree's press handler.
#include "ufrmmain.h"

#include "category_query.h"
#include "gateway.h"
#include "ucommon.h"
#include "uleftTree.h"
#include "wait_cursor.h"

#include <QFrame>

namespace quenbo {

bool Tfrm_main::LoadCategoryLevel(const std::string &parentId)
{
    WaitCursor busy;
    const std::int32_t parent = CategoryIdNumber(parentId);
    bool answered = false;
    try {
        answered = FGateway->loadCategories(parentId, [this, parent](const TShopClass &record) {
            FCommon->Categories.push_back(record);
            FLeftTree->AddCategory(record, parent);
        });
    } catch (const std::exception &) {
        // The tree keeps what was read; failures show nothing.
    }
    pnl_load->hide();
    return answered;
}

void Tfrm_main::vlefttreeMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, bool doubleClick,
                                   QPoint pos)
{
    VirtualTree::Node *node = vlefttree->nodeAt(pos);
    TShopClass *category = VirtualTree::nodeData<TShopClass>(node);
    if (!category)
        return;
    // A failed query leaves the category unloaded, so that the next press asks again.
    if (!category->Loaded)
        category->Loaded = LoadCategoryLevel(category->Cid);
    vlefttree->toggleNode(node);
    if (doubleClick)
        SearchCategory(category->Cid);
}

void Tfrm_main::SearchCategory(const std::string &cid)
{
    pnl_PageControls->setEnabled(true);
    FSearchMode = SearchMode::Category;
    FCategoryId = cid;
    LoadQuery(SearchMode::Category, std::string(), cid, 1);
}

}  // namespace quenbo
