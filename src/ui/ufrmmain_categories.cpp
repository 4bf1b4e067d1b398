// The category query and the category tree's press handler.
#include "ufrmmain.h"

#include "category_query.h"
#include "gateway_exchanges.h"
#include "ucommon.h"
#include "uleftTree.h"

#include <QFrame>

namespace quenbo {

namespace {

constexpr const char *kTopLevel = "0";

}  // namespace

void Tfrm_main::LoadCategoryLevel(const std::string &parentId)
{
    // A level whose question is out is not asked again; the answer serves every press.
    if (!FPendingLevels.try_emplace(parentId).second)
        return;
    if (parentId == kTopLevel && vlefttree->topLevelCount() == 0)
        pnl_load->show();
    if (!FSession->loading())
        FStatus.set(StatusLine::Topic::Categories, "正在载入分类 …");
    ShowProgress();
    FExchanges->loadCategories(parentId,
                               [this](CategoryLevelAnswer &answer) { ApplyCategoryLevel(answer); });
}

void Tfrm_main::ApplyCategoryLevel(CategoryLevelAnswer &answer)
{
    const auto pending = FPendingLevels.find(answer.parentId);
    const PendingLevel level = pending == FPendingLevels.end() ? PendingLevel{} : pending->second;
    if (pending != FPendingLevels.end())
        FPendingLevels.erase(pending);

    // The parent is found by its id now, so the level lands under it however the tree was
    // scrolled or opened meanwhile.
    const std::int32_t parent = CategoryIdNumber(answer.parentId);
    for (const TShopClass &record : answer.categories) {
        FCommon->Categories.push_back(record);
        FLeftTree->AddCategory(record, parent);
    }
    pnl_load->hide();

    const bool answered = !answer.failure.failed();
    if (answer.parentId == kTopLevel)
        FTopLevelFailed = !answered;
    // A failed query leaves the category closed and unloaded, so that the next press asks
    // again and opens it. Otherwise the presses made while it loaded take effect now: an odd
    // number opens or closes it, as each press would have once its level was there.
    if (TShopClass *category = VirtualTree::nodeData<TShopClass>(level.node);
        category && answered) {
        category->Loaded = true;
        if (level.toggles % 2 != 0)
            vlefttree->toggleNode(level.node);
    }
    if (answered)
        FStatus.clear(StatusLine::Topic::Categories);
    else
        FStatus.set(StatusLine::Topic::Categories, FailureLine("分类载入失败", answer.failure),
                    true);
    ShowProgress();
    CheckForUpdateWhenLoaded();
}

void Tfrm_main::vlefttreeMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, bool doubleClick,
                                   QPoint pos)
{
    VirtualTree::Node *node = vlefttree->nodeAt(pos);
    TShopClass *category = VirtualTree::nodeData<TShopClass>(node);
    if (!category) {
        // The top level failed to load: a press on the empty panel asks again.
        if (FTopLevelFailed && vlefttree->topLevelCount() == 0)
            LoadCategoryLevel(kTopLevel);
        return;
    }
    if (category->Loaded) {
        vlefttree->toggleNode(node);
    } else {
        // The category opens when its subcategories arrive.
        if (!FPendingLevels.contains(category->Cid))
            LoadCategoryLevel(category->Cid);
        PendingLevel &level = FPendingLevels[category->Cid];
        level.node = node;
        ++level.toggles;
    }
    if (doubleClick)
        SearchCategory(category->Cid);
}

void Tfrm_main::SearchCategory(const std::string &cid)
{
    const SearchSession::Step step = FSession->categorySearch(cid);
    pnl_PageControls->setEnabled(FSession->pagingEnabled());
    RunStep(step);
}

}  // namespace quenbo
