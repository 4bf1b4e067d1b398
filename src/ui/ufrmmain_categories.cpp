// The category query and the category tree's press handler.
#include "ui/ufrmmain.h"

#include "core/ucommon.h"
#include "gateway/category_query.h"
#include "gateway/gateway_exchanges.h"
#include "ui/uleftTree.h"

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
    // again and opens it. Otherwise the presses and keys made while it loaded take effect now,
    // as each would have once its level was there.
    if (TShopClass *category = VirtualTree::nodeData<TShopClass>(level.node);
        category && answered) {
        category->Loaded = true;
        vlefttree->setExpanded(level.node, level.open);
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
        const auto pending = FPendingLevels.find(category->Cid);
        OpenCategory(node, pending == FPendingLevels.end() || !pending->second.open);
    }
    if (doubleClick)
        SearchCategory(category->Cid);
}

void Tfrm_main::OpenCategory(VirtualTree::Node *node, bool open)
{
    TShopClass *category = VirtualTree::nodeData<TShopClass>(node);
    if (!category)
        return;
    if (category->Loaded) {
        vlefttree->setExpanded(node, open);
        return;
    }
    // An unloaded category opens when its subcategories arrive; LoadCategoryLevel asks only
    // when its level is not out yet.
    LoadCategoryLevel(category->Cid);
    PendingLevel &level = FPendingLevels[category->Cid];
    level.node = node;
    level.open = open;
}

void Tfrm_main::ConnectCategoryTreeKeys()
{
    vlefttree->setKeyHandler(
        [this](int key, Qt::KeyboardModifiers modifiers, VirtualTree::Node *focused) {
            return vlefttreeKeyPress(key, modifiers, focused);
        });
    vlefttree->setRowActions({
        {QStringLiteral("展开"), QStringLiteral("Right"),
         [this](VirtualTree::Node *node) { OpenCategory(node, true); }},
        {QStringLiteral("收起"), QStringLiteral("Left"),
         [this](VirtualTree::Node *node) { OpenCategory(node, false); }},
        {QStringLiteral("列出商品"), QStringLiteral("Return"),
         [this](VirtualTree::Node *node) {
             if (const TShopClass *category = VirtualTree::nodeData<TShopClass>(node))
                 SearchCategory(category->Cid);
         }},
    });
}

bool Tfrm_main::vlefttreeKeyPress(int key, Qt::KeyboardModifiers, VirtualTree::Node *focused)
{
    if (FDestroyed)
        return false;
    TShopClass *category = VirtualTree::nodeData<TShopClass>(focused);
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Plus:
        OpenCategory(focused, true);
        return true;
    case Qt::Key_Minus:
        OpenCategory(focused, false);
        return true;
    case Qt::Key_Left: {
        // A category that is closed and not about to open leaves Left to the tree, which goes
        // up to the parent.
        const auto pending = category ? FPendingLevels.find(category->Cid) : FPendingLevels.end();
        const bool opening = pending != FPendingLevels.end() && pending->second.open;
        if (!category || (!VirtualTree::isExpanded(focused) && !opening))
            return false;
        OpenCategory(focused, false);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (category)
            SearchCategory(category->Cid);
        return true;
    default:
        return false;
    }
}

void Tfrm_main::SearchCategory(const std::string &cid)
{
    const SearchSession::Step step = FSession->categorySearch(cid);
    pnl_PageControls->setEnabled(FSession->pagingEnabled());
    RunStep(step);
}

}  // namespace quenbo
