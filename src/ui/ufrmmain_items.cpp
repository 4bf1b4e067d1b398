// The item query, the shop menu and the preview popup's placement.
#include "ui/ufrmmain.h"

#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "ui/uItemTree.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMoveEvent>

#include <iterator>

namespace quenbo {

std::string Tfrm_main::BuildItemQuery(SearchMode mode, const std::string &keyword,
                                      const std::string &cid, int pageNo)
{
    // The sort box's entries in their order: 默认排序, 价格从低到高, 价格从高到低, 信用从高到低,
    // 销量成高到低. The material search has no credit, so that entry keeps the platform's order;
    // the item method's request has an order of its own and ignores the box.
    static constexpr MaterialSort kSortOfEntry[] = {
        MaterialSort::Platform, MaterialSort::PriceAscending, MaterialSort::PriceDescending,
        MaterialSort::Platform, MaterialSort::SalesDescending};
    const int entry = cb_paixu->currentIndex();
    const MaterialSort sort = entry >= 0 && entry < int(std::size(kSortOfEntry))
                                  ? kSortOfEntry[entry]
                                  : MaterialSort::Platform;
    return FExchanges->itemQueryAddress(mode, keyword, cid, pageNo, sort);
}

void Tfrm_main::LoadItemPage(const std::string &address)
{
    const std::uint64_t ticket = FSession->beginLoad();
    const bool startupList = address == FCommon->Settings.IndexUrl;
    FExchanges->loadItems(address, [this, ticket, startupList](ItemPageAnswer &answer) {
        ApplyItemPage(ticket, startupList, answer);
    });
    // The answer comes back through this thread's event loop, so the list is empty before it
    // arrives, stays empty while it is awaited and when it fails; emptying it after the request
    // is on its way lets the two overlap.
    FItemTree->Clear();
    FStatus.set(StatusLine::Topic::Items, startupList ? "正在载入推荐商品 …" : "正在搜索 …");
    ShowProgress();
}

void Tfrm_main::ApplyItemPage(std::uint64_t ticket, bool startupList, ItemPageAnswer &answer)
{
    if (!FSession->finishLoad(ticket))
        return;
    const bool found = !answer.page.records.empty();
    FItemTree->ShowPage(std::move(answer.page));
    if (answer.failure.failed())
        FStatus.set(StatusLine::Topic::Items,
                    FailureLine(startupList ? "推荐商品载入失败" : "搜索失败", answer.failure),
                    true);
    else if (!found)
        FStatus.set(StatusLine::Topic::Items, "没有找到商品");
    else
        FStatus.clear(StatusLine::Topic::Items);
    ShowProgress();
    CheckForUpdateWhenLoaded();
}

void Tfrm_main::RunStep(const SearchSession::Step &step)
{
    switch (step.kind) {
    case SearchSession::Step::Kind::Nothing:
        break;
    case SearchSession::Step::Kind::Load:
        // The page list always shows the page being loaded.
        cbox_pagecount->setCurrentIndex(FSession->pageNo() - 1);
        LoadItemPage(step.address);
        break;
    case SearchSession::Step::Kind::Refuse:
        ShowPageMessage(QString::fromStdString(step.message));
        break;
    }
}

void Tfrm_main::ShowProgress()
{
    L_Status->setText(QString::fromStdString(FStatus.text()));
    QPalette palette = L_Status->palette();
    palette.setColor(QPalette::WindowText,
                     FStatus.alarming() ? QColor(192, 0, 0) : QColor(76, 76, 76));
    L_Status->setPalette(palette);
    // The busy cursor shows over the list while a page loads (the category tree's presenter
    // sets its own); the rest of the window works as ever.
    if (FSession->loading())
        itemTree->setCursor(Qt::BusyCursor);
    else
        itemTree->unsetCursor();
}

void Tfrm_main::OpenShopMenu(const TTaoBaoData *item, QPoint at)
{
    // The shop menu acts on the item of the row; over empty space it keeps the last one.
    if (item)
        FSelectedItem = *item;
    N_Db->setEnabled(!FSelectedItem.Title.empty());
    Pop_MShop->popup(at);
}

void Tfrm_main::WindowMoved()
{
    if (!FItemTree)
        return;
    // itemTree's place in its panel is taken as if it were a place in the window's client area.
    FItemTree->SetPreviewLeft(mapToGlobal(itemTree->pos()).x() + 290);
}

void Tfrm_main::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    WindowMoved();
}

}  // namespace quenbo
