#include "ui/uItemTree.h"

#include "core/ucommon.h"
#include "gateway/item_page.h"
#include "ui/browser_opener.h"
#include "ui/frmimgframe.h"
#include "ui/message_box.h"
#include "ui/view_accessible.h"

#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>

namespace quenbo {

namespace {

// The popup's bottom pixel row lies on the cursor's row.
constexpr int kPreviewAboveCursor = 221;
// How far a wheel step or an arrow of the scroll bar moves the list.
constexpr int kScrollStep = 24;
// Where the shop menu opens beside a row, as a right press in the row's middle would open it.
const QPoint kShopMenuInRow(300, 40);

}  // namespace

TItemTree::TItemTree(QListView *view, TCommon &common, const TZipFile &zip,
                     ShopMenuHandler shopMenu)
    : FView(view)
    , FCommon(common)
    , FModel(common.Favourites)
    , FDelegate(common, zip)
    , FPictures(common, FModel)
    , FShopMenu(std::move(shopMenu))
{
    FView->setModel(&FModel);
    FView->setItemDelegate(&FDelegate);
    FView->setUniformItemSizes(true);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    FView->verticalScrollBar()->setSingleStep(kScrollStep);
    FView->setMouseTracking(true);
    FView->viewport()->installEventFilter(this);
    FView->installEventFilter(this);
    // A row's three buttons, and its shop menu, as commands of the row.
    const auto press = [this](Button button) {
        return [this, button](const QModelIndex &row) { PressFromKeyboard(row, button); };
    };
    setRowAccessibility(
        FView, {
                   {QStringLiteral("返现"), QString(), press(Cashback)},
                   {QStringLiteral("去看看"), QStringLiteral("Return"), press(Click)},
                   {QStringLiteral("加入或取消收藏"), QStringLiteral("Space"), press(Favourite)},
                   {QStringLiteral("店铺菜单"), QStringLiteral("Menu"),
                    [this](const QModelIndex &row) { OpenShopMenuBeside(row); }},
               });
}

TItemTree::~TItemTree()
{
    FPictures.stop();
    FView->viewport()->removeEventFilter(this);
    FView->removeEventFilter(this);
    FView->setModel(nullptr);
    FView->setItemDelegate(nullptr);
}

void TItemTree::SetPreview(Tfrm_imgframe *popup)
{
    FPreview = popup;
}

void TItemTree::SetColumnWidth(int width)
{
    FDelegate.setColumnWidth(width);
    FView->viewport()->update();
}

void TItemTree::ShowPage(ItemPage page, bool favourites)
{
    FFavouritesView = favourites;
    FPictures.drop();
    FModel.setPage(std::move(page.records));
    FPictures.start(std::move(page.batches));
}

void TItemTree::Clear()
{
    FModel.clear();
    FPictures.drop();
    // The rows are new ones, whatever their ids.
    FLastFavouritePress.reset();
}

void TItemTree::SortRows(ItemSortKey key, bool ascending)
{
    FModel.sortRows(key, ascending);
}

const TTaoBaoData *TItemTree::Record(const QModelIndex &row) const
{
    if (!row.isValid() || row.model() != &FModel || row.row() >= FModel.rowCount())
        return nullptr;
    return &FModel.row(row.row()).record;
}

void TItemTree::PressButton(const QModelIndex &row, Button button)
{
    const TTaoBaoData *found = Record(row);
    if (!found)
        return;
    // A copy: removing the row below would take the record away.
    const TTaoBaoData record = *found;
    const std::string &id = record.NumIid;
    const auto now = std::chrono::steady_clock::now();
    if (button == Favourite && RepeatedFavouritePress(id, now))
        return;
    FDelegate.setPressed(button);
    switch (button) {
    case Cashback:
        openInBrowser(CashBackAddress(FCommon.Settings.FanXianUrl, id, record.CashBack));
        break;
    case Click:
        openInBrowser(record.ClickUrl);
        break;
    case Favourite:
        if (!FCommon.Favourites.contains(id)) {
            FCommon.Favourites.add(record);
        } else {
            FCommon.Favourites.remove(id);
            if (FFavouritesView)
                FModel.removeItem(id);
        }
        // Only a press that acted starts the gap; one the store refused may be tried again.
        FLastFavouriteId = id;
        FLastFavouritePress = now;
        break;
    case ItemDelegate::ButtonCount:
        break;
    }
    // The favourite button's picture follows the store at once.
    FModel.refresh(id);
}

bool TItemTree::RepeatedFavouritePress(const std::string &id,
                                       std::chrono::steady_clock::time_point now) const
{
    return FLastFavouritePress && FLastFavouriteId == id &&
           now - *FLastFavouritePress < std::chrono::milliseconds(kFavouritePressGapMs);
}

void TItemTree::OpenShopMenuBeside(const QModelIndex &row)
{
    if (!Record(row))
        return;
    FView->scrollTo(row);
    const QRect rect = FView->visualRect(row);
    FShopMenu(Record(row), FView->viewport()->mapToGlobal(rect.topLeft() + kShopMenuInRow));
}

void TItemTree::PressFromKeyboard(const QModelIndex &row, Button button)
{
    try {
        PressButton(row, button);
    } catch (const std::exception &error) {
        showErrorMessage(FView->window(), QString::fromUtf8(error.what()));
    }
}

void TItemTree::HandleMouseDown(Qt::MouseButton button, QPoint pos, bool doubleClick)
{
    const QModelIndex row = FView->indexAt(pos);
    const int hit =
        row.isValid() ? ItemDelegate::buttonAt(pos - FView->visualRect(row).topLeft()) : -1;
    try {
        if (hit >= 0 && !doubleClick)
            PressButton(row, Button(hit));
    } catch (const std::exception &error) {
        // An error of the favourites store ends the press: no selection, no shop menu.
        showErrorMessage(FView->window(), QString::fromUtf8(error.what()));
        return;
    }
    // The left button selects the row under the pointer wherever it falls, the others off the
    // buttons only. It is looked for again: a favourite taken away moves the next row up.
    if (button == Qt::LeftButton || hit < 0)
        if (const QModelIndex under = FView->indexAt(pos); under.isValid())
            FView->setCurrentIndex(under);
    if (button == Qt::RightButton)
        FShopMenu(Record(FView->indexAt(pos)), QCursor::pos());
}

void TItemTree::MouseMove(QPoint pos)
{
    const QModelIndex row = FView->indexAt(pos);
    if (!row.isValid())
        return;
    const QPoint inRow = pos - FView->visualRect(row).topLeft();
    const QModelIndex previous = FDelegate.hotRow();
    FDelegate.setHot(row, ItemDelegate::buttonAt(inRow));
    const bool overThumbnail = ItemDelegate::onThumbnail(inRow);
    try {
        if (overThumbnail && FPreview) {
            if (FPreviewNode != row) {
                const QPoint cursor = FView->viewport()->mapToGlobal(pos);
                FPreview->move(FPreviewLeft, cursor.y() - kPreviewAboveCursor);
                FPreviewNode = row;
            }
            if (FPreview->isHidden())
                FPreview->show();
            FPreview->ShowPicture(FModel.row(row.row()).record.NumIid);
        } else if (!overThumbnail && FPreview) {
            FPreview->hide();
        }
    } catch (const std::exception &) {
        // A picture the popup cannot read ends this move quietly; the next move tries again.
        return;
    }
    FView->update(row);
    if (previous.isValid() && previous != row)
        FView->update(previous);
}

bool TItemTree::KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    const bool menuKey =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers & Qt::ShiftModifier);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!menuKey && !enter && key != Qt::Key_Space)
        return false;
    const QModelIndex current = FView->currentIndex();
    if (!current.isValid())
        return true;
    if (menuKey)
        OpenShopMenuBeside(current);
    else
        PressFromKeyboard(current, enter ? Click : Favourite);
    return true;
}

void TItemTree::ShowRowsInView()
{
    std::vector<std::string> ids;
    const QRect area = FView->viewport()->rect();
    const QModelIndex first = FView->indexAt(area.topLeft());
    if (first.isValid()) {
        for (int row = first.row(); row < FModel.rowCount(); ++row) {
            if (FView->visualRect(FModel.index(row)).top() > area.bottom())
                break;
            ids.push_back(FModel.row(row).record.NumIid);
        }
    }
    FPictures.showRows(std::move(ids));
}

bool TItemTree::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FView) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            return KeyPress(key->key(), key->modifiers());
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        HandleMouseDown(mouse->button(), mouse->position().toPoint(),
                        event->type() == QEvent::MouseButtonDblClick);
        return true;
    }
    case QEvent::MouseButtonRelease:
        return true;
    case QEvent::MouseMove:
        MouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        return true;
    case QEvent::Paint:
        // Whatever moved the rows (a new page, scrolling, sorting, a resize) repaints them.
        ShowRowsInView();
        return false;
    default:
        return false;
    }
}

}  // namespace quenbo
