// The item query, the item list's press handler and the preview popup's placement.
#include "ui/ufrmmain.h"

#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "ui/item_thumbnails.h"
#include "ui/message_box.h"
#include "ui/uItemTree.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QTimer>

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

std::function<void(const std::string &id)> Tfrm_main::RefreshRequest()
{
    // Runs on a worker's thread. The window outlives every worker (FormDestroy stops and joins
    // them before it stops the thumbnail threads).
    return [this](const std::string &id) { FThumbnails->make(id); };
}

std::function<void(const std::string &id)> Tfrm_main::FailureRequest()
{
    // Runs on a worker's thread; the report is carried to this thread. One that arrives after
    // FormDestroy released the list finds no presenter and is dropped.
    return [this](const std::string &id) {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                if (FItemTree)
                    FItemTree->MarkPictureFailed(id);
            },
            Qt::QueuedConnection);
    };
}

TImgDown *Tfrm_main::NewPictureWorker()
{
    auto made = std::make_unique<TImgDown>(*FCommon, RefreshRequest(), FailureRequest());
    TImgDown *worker = made.get();
    FCommon->AddWorker({made->ThreadId(), std::move(made)});
    return worker;
}

void Tfrm_main::StartWhenShown(std::vector<TImgDown *> workers)
{
    // Making the threads and joining the ended ones waits until the list is back in the
    // event loop, so the new page does not wait for them. Until then none of these workers
    // can end, so each stays registered; only the window's release takes them first.
    QTimer::singleShot(0, this, [this, workers = std::move(workers)] {
        if (FDestroyed)
            return;
        for (TImgDown *worker : workers)
            worker->Start();
        FCommon->ReleaseEndedWorkers();
    });
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
    FThumbnails->drop();
    FStatus.set(StatusLine::Topic::Items, startupList ? "正在载入推荐商品 …" : "正在搜索 …");
    ShowProgress();
}

void Tfrm_main::ApplyItemPage(std::uint64_t ticket, bool startupList, ItemPageAnswer &answer)
{
    if (!FSession->finishLoad(ticket))
        return;
    {
        // The new rows are painted once, after they are all added.
        const VirtualTree::UpdateScope batch(itemTree);
        ItemPage &page = answer.page;
        // One worker per batch of the answer, started only after its jobs are queued, on this
        // thread: until then the worker cannot end, so the registry keeps it alive meanwhile.
        std::vector<TImgDown *> workers;
        for (std::size_t i = 0; i < page.batches.size(); ++i)
            workers.push_back(NewPictureWorker());
        for (TTaoBaoData &record : page.records) {
            FItemTree->AddItem(record.NumIid);
            FCommon->Items.append(std::move(record));
        }
        for (std::size_t i = 0; i < page.batches.size(); ++i)
            for (TDownPic &job : page.batches[i])
                workers[i]->AddJob(std::move(job));
        StartWhenShown(std::move(workers));
    }
    if (answer.failure.failed())
        FStatus.set(StatusLine::Topic::Items,
                    FailureLine(startupList ? "推荐商品载入失败" : "搜索失败", answer.failure),
                    true);
    else if (answer.page.records.empty())
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
    // The busy cursor shows over what is loading; the rest of the window works as ever.
    if (FSession->loading())
        itemTree->setCursor(Qt::BusyCursor);
    else
        itemTree->unsetCursor();
    if (FPendingLevels.empty())
        vlefttree->unsetCursor();
    else
        vlefttree->setCursor(Qt::BusyCursor);
}

void Tfrm_main::itemTreeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                  bool doubleClick, QPoint pos)
{
    try {
        FItemTree->HandleMouseDown(button, modifiers, pos, doubleClick);
    } catch (const std::exception &error) {
        // An error of the favourites store ends the press: no selection, no shop menu.
        itemTree->abandonPress();
        showErrorMessage(this, QString::fromUtf8(error.what()));
        return;
    }
    if (button != Qt::RightButton)
        return;
    OpenShopMenu(itemTree->nodeAt(pos), QCursor::pos());
}

void Tfrm_main::ConnectItemListKeys()
{
    itemTree->setKeyHandler(
        [this](int key, Qt::KeyboardModifiers modifiers, VirtualTree::Node *focused) {
            return itemTreeKeyPress(key, modifiers, focused);
        });
    // A row's three buttons, and its shop menu, as actions of the row.
    const auto press = [this](TItemTree::Button button) {
        return [this, button](VirtualTree::Node *node) { PressRowButton(node, button); };
    };
    itemTree->setRowActions({
        {QStringLiteral("返现"), QString(), press(TItemTree::Cashback)},
        {QStringLiteral("去看看"), QStringLiteral("Return"), press(TItemTree::Click)},
        {QStringLiteral("加入或取消收藏"), QStringLiteral("Space"), press(TItemTree::Favourite)},
        {QStringLiteral("店铺菜单"), QStringLiteral("Menu"),
         [this](VirtualTree::Node *node) { OpenShopMenuBeside(node); }},
    });
}

void Tfrm_main::PressRowButton(VirtualTree::Node *node, TItemTree::Button button)
{
    if (FDestroyed || !node)
        return;
    // Removing a favourite takes its row away: the focus moves to the row now in its place.
    const int index = itemTree->visibleIndex(node);
    try {
        FItemTree->PressButton(node, button);
    } catch (const std::exception &error) {
        showErrorMessage(this, QString::fromUtf8(error.what()));
        return;
    }
    if (!itemTree->selectedNode() && index >= 0 && itemTree->visibleRowCount() > 0)
        itemTree->setSelectedNode(
            itemTree->visibleRow(std::min(index, itemTree->visibleRowCount() - 1)));
}

void Tfrm_main::OpenShopMenuBeside(VirtualTree::Node *node)
{
    // Where a right press on the row would have opened it.
    itemTree->scrollToNode(node);
    const QRect row = itemTree->nodeRect(node);
    OpenShopMenu(node, itemTree->viewport()->mapToGlobal(row.topLeft() + QPoint(300, 40)));
}

void Tfrm_main::OpenShopMenu(VirtualTree::Node *node, QPoint at)
{
    // The shop menu acts on the item of the row; over empty space it keeps the last one.
    if (node) {
        TTaoBaoData record;
        if (const ItemRow *row = VirtualTree::nodeData<ItemRow>(node))
            FCommon->FindItem(row->NumIid, record);
        FSelectedItem = record;
    }
    N_Db->setEnabled(!FSelectedItem.Title.empty());
    Pop_MShop->popup(at);
}

bool Tfrm_main::itemTreeKeyPress(int key, Qt::KeyboardModifiers modifiers,
                                 VirtualTree::Node *focused)
{
    const bool menuKey =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers & Qt::ShiftModifier);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (FDestroyed || (!menuKey && !enter && key != Qt::Key_Space))
        return false;
    if (!focused)
        return true;
    if (menuKey)
        OpenShopMenuBeside(focused);
    else
        PressRowButton(focused, enter ? TItemTree::Click : TItemTree::Favourite);
    return true;
}

void Tfrm_main::WindowMoved()
{
    if (!itemTree || !FCommon)
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
