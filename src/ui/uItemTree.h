#pragma once

#include "ui/item_delegate.h"
#include "ui/item_list_model.h"
#include "ui/page_pictures.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

class QListView;

namespace quenbo {

class TCommon;
class TZipFile;
class Tfrm_imgframe;
struct ItemPage;

// The item list presenter: owns the list's model, its delegate and the downloads of the page's
// pictures, and reacts to the mouse and the keys on the list view: it lights the row buttons
// and floats the preview popup, presses the buttons (the cash-back and item addresses, the
// favourite) and sorts the rows. GUI thread only.
class TItemTree : public QObject {
public:
    static constexpr int kRowHeight = ItemDelegate::kRowHeight;
    static constexpr int kThumbnailSide = ItemDelegate::kThumbnailSide;
    static constexpr int kFavouritePressGapMs = 200;
    using Button = ItemDelegate::Button;
    static constexpr Button Cashback = ItemDelegate::Cashback;
    static constexpr Button Click = ItemDelegate::Click;
    static constexpr Button Favourite = ItemDelegate::Favourite;

    // Asked to open the shop menu at the screen point for the row's item (null: over no row).
    using ShopMenuHandler = std::function<void(const TTaoBaoData *item, QPoint at)>;

    // Takes over view, which must outlive this presenter, with a model and a delegate of its
    // own; loads the delegate's pictures from zip. common must outlive the presenter.
    TItemTree(QListView *view, TCommon &common, const TZipFile &zip, ShopMenuHandler shopMenu);
    // Stops the picture downloads and hands the view back without a model.
    ~TItemTree() override;
    TItemTree(const TItemTree &) = delete;
    TItemTree &operator=(const TItemTree &) = delete;

    // The preview popup that hovering a thumbnail floats; null (or a popup that is gone) makes
    // hovering show nothing.
    void SetPreview(Tfrm_imgframe *popup);
    // The screen x where the preview popup goes, beside the list; the window keeps it up to
    // date as it moves.
    void SetPreviewLeft(int x) { FPreviewLeft = x; }
    int PreviewLeft() const { return FPreviewLeft; }
    // The width of the one column the rows span.
    void SetColumnWidth(int width);

    // Shows the page's records, in their order, and starts fetching their pictures. In the
    // favourites listing (favourites true) removing a favourite takes its row away; elsewhere
    // the row stays and its button turns back.
    void ShowPage(ItemPage page, bool favourites = false);
    // Removes every row; the thumbnails still queued for them are dropped.
    void Clear();
    // Sorts the rows, stably, by the key; SortKey is the key of the last sort.
    void SortRows(ItemSortKey key, bool ascending);
    ItemSortKey SortKey() const { return FModel.sortKey(); }

    // Acts as a press on button of the row does (the keyboard's way to the buttons): opens
    // the address, or adds the favourite, or removes it (and, in the favourites view, its
    // row); a second favourite press on the same row within kFavouritePressGapMs is ignored.
    // Errors of the favourites store are not caught.
    void PressButton(const QModelIndex &row, Button button);
    // Opens the shop menu for the row's item beside the row, where a right press would.
    void OpenShopMenuBeside(const QModelIndex &row);

    ItemListModel &Model() { return FModel; }
    const ItemListModel &Model() const { return FModel; }
    ItemDelegate &Delegate() { return FDelegate; }
    PagePictures &Pictures() { return FPictures; }
    // The record of the row at index, or null.
    const TTaoBaoData *Record(const QModelIndex &row) const;
    // The row under the mouse, and the row whose thumbnail floats the preview.
    QModelIndex HotNode() const { return FDelegate.hotRow(); }
    QModelIndex PreviewNode() const { return FPreviewNode; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The press at pos (viewport coordinates), for any mouse button: a row button, or the
    // selection; the right button then opens the shop menu. The second press of a
    // double-click does not act on the buttons again: it would open the address twice, or
    // remove the favourite that moved up under the pointer. An error of the favourites store
    // is shown and ends the press there.
    void HandleMouseDown(Qt::MouseButton button, QPoint pos, bool doubleClick);
    // Lights the buttons under pos, places, shows or hides the preview, repaints the rows.
    void MouseMove(QPoint pos);
    // Enter opens the current item's page, Space adds or removes its favourite, the Menu key
    // or Shift+F10 opens the shop menu for it. True when the key was one of these.
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    // Presses the button for the keyboard and assistive technology: an error of the
    // favourites store is shown in a message box.
    void PressFromKeyboard(const QModelIndex &row, Button button);
    // Hands the ids of the rows in view to the pictures, so theirs come first.
    void ShowRowsInView();
    // A press on the favourite button of row id within the gap after the last one that acted.
    bool RepeatedFavouritePress(const std::string &id,
                                std::chrono::steady_clock::time_point now) const;

    QListView *FView;
    TCommon &FCommon;
    ItemListModel FModel;
    ItemDelegate FDelegate;
    PagePictures FPictures;
    ShopMenuHandler FShopMenu;
    QPointer<Tfrm_imgframe> FPreview;
    QPersistentModelIndex FPreviewNode;
    int FPreviewLeft = 0;
    bool FFavouritesView = false;
    // The last favourite press that acted: its row's id and when (a monotonic clock, so a
    // change of the wall clock cannot swallow or repeat a press).
    std::string FLastFavouriteId;
    std::optional<std::chrono::steady_clock::time_point> FLastFavouritePress;
};

}  // namespace quenbo
