#pragma once

#include "virtual_tree.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPointer>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

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
struct ItemRow {
    std::string NumIid;
    bool PictureLoaded = false;
    bool ThumbnailMade = false;
    std::weak_ptr<const TJpegImage> ThumbnailOf;
    std::uint64_t ThumbnailSerial = 0;
    QImage Thumbnail;
    bool ThumbnailFailed = false;  // the picture named above does not decode: not tried again
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

    // Takes over the drawing, mouse movement and comparison of tree, which must outlive this
    // presenter, and loads the selected background and the twelve button pictures from zip (a
    // picture that fails to load draws nothing). common must outlive the presenter.
    TItemTree(VirtualTree *tree, TCommon &common, const TZipFile &zip);
    // Hands the control back without handlers; its rows stay.
    ~TItemTree();
    TItemTree(const TItemTree &) = delete;
    TItemTree &operator=(const TItemTree &) = delete;

    // The preview popup that hovering a thumbnail floats; null (or a popup that is gone) makes
    // hovering show nothing.
    void SetPreview(Tfrm_imgframe *popup);

    // Appends a row for the item id, its picture not yet loaded.
    void AddItem(const std::string &id);
    // Releases every record of Items with its picture, then removes every row.
    void Clear();
    // Repaints the first row with this id; nothing when there is none.
    void RefreshItem(const std::string &id);
    // Gives the first row with this id the thumbnail of its cached picture and repaints it; a
    // null thumbnail only repaints it, and the row then reads the cache file itself.
    void RefreshItem(const std::string &id, const QImage &thumbnail);
    // Removes the first row with this id; nothing when there is none.
    void DeleteItem(const std::string &id);
    // Sorts the rows, stably, by the key; a value outside the four keys keeps the order.
    void SortRows(ItemSortKey key, bool ascending);
    // Negative when row a comes before row b under the key of the last sort.
    int CompareNodes(VirtualTree::Node *a, VirtualTree::Node *b) const;
    // The press at pos (client coordinates), for any mouse button: opens the cash-back or the
    // click address, adds or removes the favourite, or selects the row. The second press of a
    // double-click does not act on the buttons again: it would open the address twice, or
    // remove the favourite that moved up under the pointer. Errors of the favourites store are
    // not caught.
    void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos,
                         bool doubleClick = false);
    // Lights the buttons under pos, places, shows or hides the preview, repaints the row.
    void MouseMove(Qt::KeyboardModifiers modifiers, QPoint pos);
    void DrawNode(QPainter &painter, VirtualTree::Node *node, const QRect &cell, bool selected);

    VirtualTree::Node *HotNode() const { return FHotNode; }
    VirtualTree::Node *PreviewNode() const { return FPreviewNode; }
    ItemSortKey SortKey() const { return FSortKey; }
    // The first row with this id, or null.
    VirtualTree::Node *FindRow(const std::string &id) const;

private:
    enum Button { Cashback, Click, Favourite, ButtonCount };
    static int buttonHit(int x, int ry);
    void drawButtons(QPainter &painter, const std::string &id, int state);
    void drawThumbnail(QPainter &painter, ItemRow &row, const std::shared_ptr<TJpegImage> &picture);
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
    VirtualTree::Node *FPreviewNode = nullptr;
    QImage SelectedPicture;
    std::array<QImage, 12> ButtonPictures;
    std::array<bool, ButtonCount> Hover{};
    std::array<bool, ButtonCount> Pressed{};
    ItemSortKey FSortKey = ItemSortKey::Credit;

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
