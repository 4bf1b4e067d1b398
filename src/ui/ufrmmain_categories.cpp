// The category tree presenter's wiring: the gateway, the category search and the status line.
#include "ui/ufrmmain.h"

#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "ui/category_tree_view.h"
#include "ui/uleftTree.h"

#include <QFrame>

namespace quenbo {

void Tfrm_main::CreateCategoryTree()
{
    TleftTree::Wiring wiring;
    wiring.askLevel = [this](const std::string &parentId) {
        FExchanges->loadCategories(parentId, [this](CategoryLevelAnswer &answer) {
            FCommon->Categories.insert(FCommon->Categories.end(), answer.categories.begin(),
                                       answer.categories.end());
            FLeftTree->ApplyCategoryLevel(answer);
            CheckForUpdateWhenLoaded();
        });
    };
    wiring.listItems = [this](const std::string &cid) { SearchCategory(cid); };
    wiring.showStatus = [this](const std::string &text, bool failure) {
        // The item list's loading line is not covered by the categories'.
        if (text.empty())
            FStatus.clear(StatusLine::Topic::Categories);
        else if (failure || !FSession->loading())
            FStatus.set(StatusLine::Topic::Categories, text, failure);
        ShowProgress();
    };
    FLeftTree = std::make_unique<TleftTree>(vlefttree, pnl_load, *FZipFile, std::move(wiring));
}

void Tfrm_main::LoadCategoryLevel(const std::string &parentId)
{
    FLeftTree->LoadCategoryLevel(parentId);
}

void Tfrm_main::SearchCategory(const std::string &cid)
{
    const SearchSession::Step step = FSession->categorySearch(cid);
    pnl_PageControls->setEnabled(FSession->pagingEnabled());
    RunStep(step);
}

}  // namespace quenbo
