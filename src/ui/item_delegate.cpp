#include "ui/item_delegate.h"

#include "assets/uzipfile.h"
#include "core/number_format.h"
#include "core/split_title.h"
#include "core/ucommon.h"
#include "pictures/bitmap.h"
#include "pictures/jpeg_image.h"
#include "ui/item_list_model.h"
#include "ui/page_pictures.h"
#include "ui/picture_qt.h"

#include <QAbstractItemView>
#include <QPainter>

namespace quenbo {

namespace {

constexpr const char *kButtonNames[] = {"1", "1_1", "1_2", "2", "2_1", "2_2",
                                        "3", "3_1", "3_2", "4", "4_1", "4_2"};
constexpr int kButtonX = 600;
constexpr int kButtonTops[] = {4, 31, 57};
// Mouse areas, both ends included: x 601..659, y from kAreaTops[k] for 21 rows.
constexpr int kAreaLeft = 601;
constexpr int kAreaRight = 659;
constexpr int kAreaTops[] = {5, 32, 58};
constexpr int kAreaHeight = 21;
constexpr int kThumbnailFirst = 1;
constexpr int kPreviewFirst = 2;
constexpr int kPreviewLast = 80;

const QColor kTitleColour(37, 61, 223);
const QColor kSellerColour(255, 20, 20);
const QColor kValueColour(9, 139, 200);
const QColor kVolumeColour(249, 59, 39);
const QColor kSeparatorColour(168, 168, 168);

QFont rowFont(int points, bool bold)
{
    QFont font(QStringLiteral("新宋体"));
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QFont measuringFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

QString text(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// A thumbnail-sized picture of the archive made like a row's thumbnail, so that it fills the
// same square; null when the entry is missing or does not decode.
QImage archiveSquare(const TZipFile &zip, const char *name)
{
    TJpegImage made;
    if (!zip.ReadJpeg(name, made))
        return {};
    try {
        return MakeItemThumbnail(made, ItemDelegate::kThumbnailSide);
    } catch (const std::exception &) {
        return {};
    }
}

}  // namespace

ItemDelegate::ItemDelegate(const TCommon &common, const TZipFile &zip, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_common(common)
    , m_noPicture(archiveSquare(zip, "nopic"))
    , m_standBy(archiveSquare(zip, "loadimg"))
    , m_titleFont(rowFont(9, false))
    , m_valueFont(rowFont(15, true))
    , m_measureFont(measuringFont())
    , m_titleMetrics(m_titleFont)
    , m_valueMetrics(m_valueFont)
    , m_measureMetrics(m_measureFont)
{
    TBitmap picture;
    if (zip.ReadBitmap("treedown", picture))
        m_selected = toQImage(picture.Image());
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        if (zip.ReadBitmap(kButtonNames[i], picture))
            m_buttons[i] = toQImage(picture.Image());
}

int ItemDelegate::buttonAt(QPoint point)
{
    if (point.x() < kAreaLeft || point.x() > kAreaRight)
        return -1;
    for (int k = 0; k < ButtonCount; ++k)
        if (point.y() >= kAreaTops[k] && point.y() < kAreaTops[k] + kAreaHeight)
            return k;
    return -1;
}

bool ItemDelegate::onThumbnail(QPoint point)
{
    return point.x() >= kPreviewFirst && point.x() <= kPreviewLast && point.y() >= kPreviewFirst &&
           point.y() <= kPreviewLast;
}

void ItemDelegate::setHot(const QModelIndex &row, int button)
{
    m_hot = row;
    for (int k = 0; k < ButtonCount; ++k)
        m_hover[std::size_t(k)] = k == button;
}

void ItemDelegate::setPressed(int button)
{
    for (int k = 0; k < ButtonCount; ++k)
        m_pressed[std::size_t(k)] = k == button;
}

QSize ItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width(), kRowHeight};
}

void ItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    const int viewWidth = view ? view->viewport()->width() : option.rect.width();
    const int width = m_columnWidth > 0 ? m_columnWidth : viewWidth;
    painter->save();
    painter->setClipRect(QRect(0, option.rect.top(), viewWidth, kRowHeight), Qt::IntersectClip);
    painter->translate(0, option.rect.top());
    drawRow(*painter, index, option.state & QStyle::State_Selected, width, viewWidth);
    if (option.state & QStyle::State_HasFocus) {
        // A dotted frame along the row's edge: where the keys act, over whatever the row shows.
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(QColor(64, 64, 64), 1, Qt::DotLine));
        painter->drawRect(QRect(0, 0, width, kRowHeight).adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

void ItemDelegate::drawRow(QPainter &painter, const QModelIndex &index, bool selected, int width,
                           int viewWidth) const
{
    const auto *model = qobject_cast<const ItemListModel *>(index.model());
    if (!model)
        return;
    const ItemListModel::Row &row = model->row(index.row());
    const TTaoBaoData &record = row.record;

    drawButtons(painter, record, Normal);
    if (selected) {
        if (!m_selected.isNull())
            painter.drawImage(QRect(0, 0, width, kRowHeight), m_selected);
        drawButtons(painter, record, Normal);
    }
    if (m_hot.isValid() && m_hot.row() == index.row()) {
        drawButtons(painter, record, Hot);
        drawButtons(painter, record, Down);
    }

    switch (row.picture) {
    case ItemListModel::Picture::Shown:
        painter.drawImage(QPoint(kThumbnailFirst, kThumbnailFirst), row.thumbnail);
        break;
    case ItemListModel::Picture::None:
        if (!m_noPicture.isNull())
            painter.drawImage(QPoint(kThumbnailFirst, kThumbnailFirst), m_noPicture);
        break;
    case ItemListModel::Picture::Waiting:
        // An item without a picture address has no square at all.
        if (record.Picture && !m_standBy.isNull())
            painter.drawImage(QPoint(kThumbnailFirst, kThumbnailFirst), m_standBy);
        break;
    }

    drawTitle(painter, record.Title);
    const QString seller = QStringLiteral("掌柜：");
    drawText(painter, 85, 50, m_titleFont, Qt::black, seller);
    drawText(painter, 85 + m_titleMetrics.horizontalAdvance(seller), 50, m_titleFont, kSellerColour,
             text(record.Nick));
    drawText(painter, 304, 10, m_titleFont, Qt::black, QStringLiteral("淘宝价："));
    drawText(painter, 349, 5, m_valueFont, kValueColour, text(record.Price));
    drawText(painter, 304, 50, m_titleFont, Qt::black, QStringLiteral("信  誉："));
    if (const QImage *icon = creditIcon(record.CreditScore))
        painter.drawImage(QPoint(349, 47), *icon);
    drawText(painter, 460, 10, m_titleFont, Qt::black, QStringLiteral("购物返现："));
    drawText(painter, 518, 5, m_valueFont, kValueColour, text(formatGeneral(record.CashBack)));
    drawText(painter, 460, 50, m_titleFont, Qt::black, QStringLiteral("30天销售记录："));
    drawText(painter, 540, 45, m_valueFont, kVolumeColour, QString::number(record.Volume));

    painter.setPen(kSeparatorColour);
    painter.drawLine(0, kRowHeight - 1, viewWidth, kRowHeight - 1);
}

void ItemDelegate::drawButtons(QPainter &painter, const TTaoBaoData &record, State state) const
{
    const int favourite = m_common.Favourites.contains(record.NumIid) ? 3 : 2;
    const int pictures[] = {0, 1, favourite};
    for (int k = 0; k < ButtonCount; ++k) {
        const bool wanted = state == Normal || (state == Hot && m_hover[std::size_t(k)]) ||
                            (state == Down && m_pressed[std::size_t(k)]);
        if (!wanted)
            continue;
        const QImage &picture = m_buttons[std::size_t(pictures[k] * 3 + state)];
        if (!picture.isNull())
            painter.drawImage(QPoint(kButtonX, kButtonTops[k]), picture);
        if (state == Down)
            m_pressed[std::size_t(k)] = false;
    }
}

void ItemDelegate::drawTitle(QPainter &painter, const std::string &title) const
{
    const QString whole = text(title);
    if (m_titleMetrics.horizontalAdvance(whole) <= kTitleWidth) {
        drawText(painter, 85, 5, m_titleFont, kTitleColour, whole);
        return;
    }
    auto [first, second] =
        SplitTitle(title, kTitleWidth, [this](char32_t c) { return measureWidth(c); });
    // The measuring font can be narrower than the title font, so that no split is found; the
    // title font's own widths then split it.
    if (first.empty() && second.empty())
        std::tie(first, second) =
            SplitTitle(title, kTitleWidth, [this](char32_t c) { return titleWidth(c); });
    if (first.empty() && second.empty())
        first = title;
    // A second line longer than the room is cut with an ellipsis, so it never runs into the
    // price label.
    const QString secondLine =
        m_titleMetrics.elidedText(text(TrimTitleLine(second)), Qt::ElideRight, kTitleWidth);
    drawText(painter, 85, 5, m_titleFont, kTitleColour, text(TrimTitleLine(first)));
    drawText(painter, 85, 25, m_titleFont, kTitleColour, secondLine);
}

void ItemDelegate::drawText(QPainter &painter, int x, int y, const QFont &font, QColor colour,
                            const QString &content) const
{
    painter.setFont(font);
    painter.setPen(colour);
    const int ascent = &font == &m_valueFont ? m_valueMetrics.ascent() : m_titleMetrics.ascent();
    painter.drawText(x, y + ascent, content);
}

const QImage *ItemDelegate::creditIcon(std::int32_t level) const
{
    const TGifImage *gif = m_common.CreditIcon(level);
    if (!gif || gif->Frames().empty())
        return nullptr;
    // The registry holds one icon per level and never changes, so each is converted once.
    auto [at, added] = m_creditIcons.try_emplace(level);
    if (added)
        at->second = toQImage(gif->Frames().front().image);
    return at->second.isNull() ? nullptr : &at->second;
}

int ItemDelegate::measureWidth(char32_t c) const
{
    const auto [at, added] = m_measureWidths.try_emplace(c, 0);
    if (added)
        at->second = m_measureMetrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    return at->second;
}

int ItemDelegate::titleWidth(char32_t c) const
{
    const auto [at, added] = m_titleWidths.try_emplace(c, 0);
    if (added)
        at->second = m_titleMetrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    return at->second;
}

}  // namespace quenbo
