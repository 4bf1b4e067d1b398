#pragma once

#include "ui/virtual_tree.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPointer>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quenbo {

// What the item list sorts by: seller credit, price, 30-day sales or cash-back. The values are
// the keys the sort buttons pass.
enum class ItemSortKey : std::uint8_t { Credit = 0, Price = 1, Sales = 2, CashBack = 3 };

class TCommon;
class TJpegImage;
class TZipFile;
class Tfrm_imgframe;

// What the item list keeps with each row: the item's id and whether its own picture has been
// loaded from the picture cache. The thumbnail is either made off this thread from the cached
// picture and handed over (ThumbnailMade), or else the record's picture decoded reduced and
// scaled to the thumbnail square at a paint, kept while that picture object holds the same load.
// A row whose picture will not come (PictureFailed) or does not decode (ThumbnailFailed) shows
// the no-picture picture instead of the stand-by.
struct ItemRow {
    std::string NumIid;
    bool PictureLoaded = false;
    bool ThumbnailMade = false;
    std::weak_ptr<const TJpegImage> ThumbnailOf;
    std::uint64_t ThumbnailSerial = 0;
    QImage Thumbnail;
    bool ThumbnailFailed = false;  // the picture named above does not decode: not tried again
    bool PictureFailed = false;    // its download failed, or its cache file holds no picture
};

// The item list presenter: owns the drawing of the item list control, one 84-pixel row per
// item with its three picture buttons, follows the mouse to light the buttons and to float the
// preview popup, reacts to presses on the buttons and sorts the rows. A row holds only its
// item's id; the values come from the core object's Items at every paint. GUI thread only.
class TItemTree {
public:
    static constexpr int kRowHeight = 84;
    static constexpr int kTitleWidth = 192;
    static constexpr int kThumbnailSide = 80;
    static constexpr int kFavouritePressGapMs = 200;

    // Takes over the drawing, mouse movement and comparison of tree, which must outlive this
    // presenter, and loads the selected background, the twelve button pictures and the
    // no-picture thumbnail from zip (a picture that fails to load draws nothing). common must
    // outlive the presenter.
    TItemTree(VirtualTree *tree, TCommon &common, const TZipFile &zip);
    // Hands the control back without handlers; its rows stay.
    ~TItemTree();
    TItemTree(const TItemTree &) = delete;
    TItemTree &operator=(const TItemTree &) = delete;

    // The preview popup that hovering a thumbnail floats; null (or a popup that is gone) makes
    // hovering show nothing.
    void SetPreview(Tfrm_imgframe *popup);
    // The screen x where the preview popup goes, beside the list; the window keeps it up to
    // date as it moves.
    void SetPreviewLeft(int x) { FPreviewLeft = x; }
    int PreviewLeft() const { return FPreviewLeft; }

    // Appends a row for the item id, its picture not yet loaded.
    void AddItem(const std::string &id);
    // Releases every record of Items with its picture, then removes every row.
    void Clear();
    // Repaints the first row with this id; nothing when there is none.
    void RefreshItem(const std::string &id);
    // The picture of the item is cached: gives the first row with this id the thumbnail made of
    // it, takes back a failure marked before, and repaints the row. A null thumbnail (none
    // could be made) has the row read the cache file itself: a file that holds no picture
    // marks the row failed, one that does not decode shows as failed at the paint.
    void RefreshItem(const std::string &id, const QImage &thumbnail);
    // The picture of the item will not come: the first row with this id shows the no-picture
    // picture instead of the stand-by, until a RefreshItem with its thumbnail. A row that
    // has its picture already keeps it. Nothing when there is no such row.
    void MarkPictureFailed(const std::string &id);
    // Removes the first row with this id; nothing when there is none.
    void DeleteItem(const std::string &id);
    // Sorts the rows, stably, by the key; a value outside the four keys keeps the order.
    void SortRows(ItemSortKey key, bool ascending);
    // Negative when row a comes before row b under the key of the last sort.
    int CompareNodes(VirtualTree::Node *a, VirtualTree::Node *b) const;
    // The press at pos (client coordinates), for any mouse button: opens the cash-back or the
    // click address, adds or removes the favourite, or selects the row. The second press of a
    // double-click does not act on the buttons again: it would open the address twice, or
    // remove the favourite that moved up under the pointer. Nor does a press on the favourite
    // button of the row whose favourite button acted less than kFavouritePressGapMs before.
    // Errors of the favourites store are not caught.
    void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos,
                         bool doubleClick = false);

    // The three buttons of a row: the cash-back address, the item's page ("去看看"), and adding
    // or removing the favourite.
    enum Button { Cashback, Click, Favourite, ButtonCount };
    // Acts as a press on button of node's row does (the keyboard's way to the buttons): opens
    // the address, or adds the favourite, or removes it and its row; a second favourite press
    // on the same row within kFavouritePressGapMs is ignored. Errors of the favourites store
    // are not caught.
    void PressButton(VirtualTree::Node *node, Button button);
    // Lights the buttons under pos, places, shows or hides the preview, repaints the row.
    void MouseMove(Qt::KeyboardModifiers modifiers, QPoint pos);
    void DrawNode(QPainter &painter, VirtualTree::Node *node, const QRect &cell, bool selected);
    // What assistive technology reads for a row: its title, price and seller, and whether it
    // is a favourite.
    QString RowText(VirtualTree::Node *node) const;
    // The rows in view changed or were painted: hands their ids, top to bottom, to the core
    // object's OnScreen when they differ from the ones it has, so their pictures come first.
    void ShowRows(int first, int count);

    VirtualTree::Node *HotNode() const { return FHotNode; }
    VirtualTree::Node *PreviewNode() const { return FPreviewNode; }
    ItemSortKey SortKey() const { return FSortKey; }
    // The first row with this id, or null.
    VirtualTree::Node *FindRow(const std::string &id) const;

private:
    static int buttonHit(int x, int ry);
    void drawButtons(QPainter &painter, const std::string &id, int state);
    void drawThumbnail(QPainter &painter, ItemRow &row, const std::shared_ptr<TJpegImage> &picture);
    // Draws a picture made like a row's thumbnail into its square; nothing for a null one.
    void drawSquare(QPainter &painter, const QImage &picture);
    // A press on the favourite button of row id within the gap after the last one that acted.
    bool repeatedFavouritePress(const std::string &id,
                                std::chrono::steady_clock::time_point now) const;
    void drawTitle(QPainter &painter, const std::string &title);
    void drawText(QPainter &painter, int x, int y, const QFont &font, QColor colour,
                  const QString &text);
    const QImage *creditIcon(std::int32_t level);
    int measureWidth(char32_t c);
    int titleWidth(char32_t c);

    VirtualTree *Tree;
    TCommon &FCommon;
    QPointer<Tfrm_imgframe> FPreview;
    VirtualTree::Node *FHotNode = nullptr;
    std::vector<std::string> FIdsOnScreen;  // as last handed to the core object's OnScreen
    VirtualTree::Node *FPreviewNode = nullptr;
    int FPreviewLeft = 0;
    QImage SelectedPicture;
    QImage NoPicture;
    QImage StandBy;  // what a row shows until its picture is cached
    std::array<QImage, 12> ButtonPictures;
    std::array<bool, ButtonCount> Hover{};
    std::array<bool, ButtonCount> Pressed{};
    ItemSortKey FSortKey = ItemSortKey::Credit;
    // The last favourite press that acted: its row's id and when (a monotonic clock, so a
    // change of the wall clock cannot swallow or repeat a press).
    std::string FLastFavouriteId;
    std::optional<std::chrono::steady_clock::time_point> FLastFavouritePress;

    const QFont FTitleFont;
    const QFont FValueFont;
    const QFont FMeasureFont;
    const QFontMetrics FTitleMetrics;
    const QFontMetrics FValueMetrics;
    const QFontMetrics FMeasureMetrics;
    std::unordered_map<char32_t, int> FMeasureWidths;
    std::unordered_map<char32_t, int> FTitleWidths;
    std::unordered_map<std::int32_t, QImage> FCreditIcons;
};

}  // namespace quenbo
