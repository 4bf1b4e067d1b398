// The item query, the item list's press handler and the preview popup's placement.
#include "ufrmmain.h"

#include "gateway.h"
#include "item_thumbnails.h"
#include "message_box.h"
#include "uDownimg.h"
#include "uItemTree.h"
#include "ucommon.h"
#include "wait_cursor.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMoveEvent>
#include <QTimer>

namespace quenbo {

std::string Tfrm_main::BuildItemQuery(int mode, const std::string &keyword, const std::string &cid,
                                      int pageNo)
{
    return FGateway->itemQueryAddress(mode, keyword, cid, pageNo);
}

std::function<void(const std::string &id)> Tfrm_main::RefreshRequest()
{
    // Runs on a worker's thread. The window outlives every worker (FormDestroy stops and joins
    // them before it stops the thumbnail threads).
    return [this](const std::string &id) { FThumbnails->Make(id); };
}

TImgDown *Tfrm_main::NewPictureWorker()
{
    auto made = std::make_unique<TImgDown>(*FCommon, RefreshRequest());
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
    WaitCursor busy;
    // The emptied list and its new rows are painted once, after the walk.
    const VirtualTree::UpdateScope batch(itemTree);
    FItemTree->Clear();
    FThumbnails->Drop();
    TImgDown *worker = nullptr;
    std::vector<TImgDown *> filled;
    ItemAnswerSteps steps;
    steps.beginBatch = [&] { worker = NewPictureWorker(); };
    steps.itemId = [&](const std::string &id) { FItemTree->AddItem(id); };
    steps.item = [&](TTaoBaoData record, TDownPic job) {
        FCommon->Items.append(std::move(record));
        worker->AddJob(std::move(job));
    };
    // Started only after its last job is queued, on this thread: until then the worker cannot
    // end, so the registry keeps it alive while this walk holds it.
    steps.endBatch = [&] {
        filled.push_back(worker);
        worker = nullptr;
    };
    try {
        FGateway->loadItems(address, steps);
    } catch (const std::exception &) {
        // A failed fetch or answer keeps what was read and shows nothing; a worker whose
        // container was cut short stays registered, unstarted, until shutdown.
    }
    StartWhenShown(std::move(filled));
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
    // The shop menu acts on the item under the press; over empty space it keeps the last one.
    if (VirtualTree::Node *node = itemTree->nodeAt(pos)) {
        TTaoBaoData record;
        if (const ItemRow *row = VirtualTree::nodeData<ItemRow>(node))
            FCommon->FindItem(row->NumIid, record);
        FCommon->SelectedItem = record;
    }
    N_Db->setEnabled(!FCommon->SelectedItem.Title.empty());
    Pop_MShop->popup(QCursor::pos());
}

void Tfrm_main::WindowMoved()
{
    if (!itemTree || !FCommon)
        return;
    // itemTree's place in its panel is taken as if it were a place in the window's client area.
    FCommon->PreviewLeft = mapToGlobal(itemTree->pos()).x() + 290;
}

void Tfrm_main::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    WindowMoved();
}

}  // namespace quenbo
