#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include <array>
#include <cstdint>
#include <unordered_map>

namespace quenbo {

class TCommon;
class TZipFile;
struct TTaoBaoData;

// Draws an item row of 84 pixels over the view's background, which the view keeps plain white
// whatever the palette, since the rows' colours are chosen for it: thumbnail, title on up to two
// lines, seller, price, credit icon, cash-back and 30-day sales, and the row's three picture
// buttons in their normal, hot or pressed state; and tells which button or which part of a row a
// point falls on. The row under the mouse (the hot row) shows its hovered and pressed buttons. GUI
// thread only.
class ItemDelegate : public QStyledItemDelegate {
public:
    static constexpr int kRowHeight = 84;
    static constexpr int kTitleWidth = 192;
    static constexpr int kThumbnailSide = 80;

    // The three buttons of a row: the cash-back address, the item's page ("去看看"), and adding
    // or removing the favourite.
    enum Button { Cashback, Click, Favourite, ButtonCount };

    // Loads the selected background, the twelve button pictures, the stand-by and the
    // no-picture thumbnail from zip (a picture that fails to load draws nothing). common gives
    // the credit icons and the favourites and must outlive the delegate.
    ItemDelegate(const TCommon &common, const TZipFile &zip, QObject *parent = nullptr);

    // The button under point (row coordinates, both ends included), or -1.
    static int buttonAt(QPoint point);
    // Whether point (row coordinates) lies on the thumbnail's preview area.
    static bool onThumbnail(QPoint point);

    // The hot row and the button under the mouse there (-1 for none).
    void setHot(const QModelIndex &row, int button);
    const QPersistentModelIndex &hotRow() const { return m_hot; }
    // The button pressed last shows pressed at the hot row's next paint, once.
    void setPressed(int button);
    // The width of the one column rows span; 0 for the whole view.
    void setColumnWidth(int width) { m_columnWidth = width; }
    int columnWidth() const { return m_columnWidth; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    enum State { Normal, Hot, Down };

    // Draws the row at index with its top-left corner at the painter's origin; width is the
    // column's, viewWidth the view's.
    void drawRow(QPainter &painter, const QModelIndex &index, bool selected, int width,
                 int viewWidth) const;
    void drawButtons(QPainter &painter, const TTaoBaoData &record, State state) const;
    void drawTitle(QPainter &painter, const std::string &title) const;
    void drawText(QPainter &painter, int x, int y, const QFont &font, QColor colour,
                  const QString &text) const;
    const QImage *creditIcon(std::int32_t level) const;
    int measureWidth(char32_t c) const;
    int titleWidth(char32_t c) const;

    const TCommon &m_common;
    QImage m_selected;
    QImage m_noPicture;
    QImage m_standBy;  // what a row shows until its picture is cached
    std::array<QImage, 12> m_buttons;
    QPersistentModelIndex m_hot;
    std::array<bool, ButtonCount> m_hover{};
    mutable std::array<bool, ButtonCount> m_pressed{};
    int m_columnWidth = 0;

    const QFont m_titleFont;
    const QFont m_valueFont;
    const QFont m_measureFont;
    const QFontMetrics m_titleMetrics;
    const QFontMetrics m_valueMetrics;
    const QFontMetrics m_measureMetrics;
    mutable std::unordered_map<char32_t, int> m_measureWidths;
    mutable std::unordered_map<char32_t, int> m_titleWidths;
    mutable std::unordered_map<std::int32_t, QImage> m_creditIcons;
};

}  // namespace quenbo
