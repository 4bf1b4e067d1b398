#include "ui/uItemTree.h"

#include "assets/uzipfile.h"
#include "core/number_format.h"
#include "core/split_title.h"
#include "core/ucommon.h"
#include "pictures/bitmap.h"
#include "pictures/jpeg_image.h"
#include "ui/browser_opener.h"
#include "ui/frmimgframe.h"
#include "ui/item_thumbnails.h"
#include "ui/picture_qt.h"

#include <QPainter>

#include <cmath>
#include <limits>

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
// The popup's bottom pixel row lies on the cursor's row.
constexpr int kPreviewAboveCursor = 221;

enum State { Normal, Hot, Down };

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

// v rounded to the nearest whole number, halves away from zero; 0 outside the 32-bit range.
std::int64_t whole(double v)
{
    const double rounded = std::round(v);
    if (!std::isfinite(rounded) || rounded < double(std::numeric_limits<std::int32_t>::min()) ||
        rounded > double(std::numeric_limits<std::int32_t>::max()))
        return 0;
    return std::int64_t(rounded);
}

int sign(std::int64_t difference)
{
    return (difference > 0) - (difference < 0);
}

const TTaoBaoData &recordOf(const TCommon &common, VirtualTree::Node *node)
{
    static const TTaoBaoData empty;
    const ItemRow *row = VirtualTree::nodeData<ItemRow>(node);
    const TTaoBaoData *found = row ? common.Items.findFirst(row->NumIid) : nullptr;
    return found ? *found : empty;
}

}  // namespace

TItemTree::TItemTree(VirtualTree *tree, TCommon &common, const TZipFile &zip)
    : Tree(tree)
    , FCommon(common)
    , FTitleFont(rowFont(9, false))
    , FValueFont(rowFont(15, true))
    , FMeasureFont(measuringFont())
    , FTitleMetrics(FTitleFont)
    , FValueMetrics(FValueFont)
    , FMeasureMetrics(FMeasureFont)
{
    TBitmap picture;
    if (zip.ReadBitmap("treedown", picture))
        SelectedPicture = toQImage(picture.Image());
    for (std::size_t i = 0; i < ButtonPictures.size(); ++i)
        if (zip.ReadBitmap(kButtonNames[i], picture))
            ButtonPictures[i] = toQImage(picture.Image());
    // Both made like a row's thumbnail, so that they fill the same square, and made once:
    // every waiting row shows the same stand-by.
    for (auto [name, square] : {std::pair{"nopic", &NoPicture}, std::pair{"loadimg", &StandBy}}) {
        TJpegImage made;
        if (zip.ReadJpeg(name, made)) {
            try {
                *square = MakeItemThumbnail(made, kThumbnailSide);
            } catch (const std::exception &) {
            }
        }
    }
    Hover.fill(false);
    Pressed.fill(false);
    Tree->setDefaultNodeHeight(kRowHeight);
    Tree->setDrawHandler([this](QPainter &painter, VirtualTree::Node *node, const QRect &cell,
                                bool selected) { DrawNode(painter, node, cell, selected); });
    Tree->setMouseMoveHandler(
        [this](Qt::KeyboardModifiers modifiers, QPoint pos) { MouseMove(modifiers, pos); });
    Tree->setCompareHandler(
        [this](VirtualTree::Node *a, VirtualTree::Node *b) { return CompareNodes(a, b); });
    Tree->setAccessibleTextHandler([this](VirtualTree::Node *node) { return RowText(node); });
    Tree->setViewHandler([this](int first, int count) { ShowRows(first, count); });
}

TItemTree::~TItemTree()
{
    Tree->setDrawHandler({});
    Tree->setMouseMoveHandler({});
    Tree->setCompareHandler({});
    Tree->setAccessibleTextHandler({});
    Tree->setViewHandler({});
    FCommon.OnScreen.set({});
}

void TItemTree::ShowRows(int first, int count)
{
    std::vector<std::string> ids;
    ids.reserve(std::size_t(count));
    for (int row = first; row < first + count; ++row)
        if (const ItemRow *item = VirtualTree::nodeData<ItemRow>(Tree->visibleRow(row)))
            ids.push_back(item->NumIid);
    if (ids == FIdsOnScreen)
        return;
    FIdsOnScreen = ids;
    FCommon.OnScreen.set(std::move(ids));
}

QString TItemTree::RowText(VirtualTree::Node *node) const
{
    const ItemRow *row = VirtualTree::nodeData<ItemRow>(node);
    if (!row)
        return {};
    TTaoBaoData record;
    FCommon.FindItem(row->NumIid, record);
    QString text = QString::fromStdString(record.Title) + QStringLiteral("，价格 ") +
                   QString::fromStdString(record.Price) + QStringLiteral(" 元，掌柜 ") +
                   QString::fromStdString(record.Nick);
    if (FCommon.Favourites.contains(row->NumIid))
        text += QStringLiteral("，已收藏");
    return text;
}

void TItemTree::SetPreview(Tfrm_imgframe *popup)
{
    FPreview = popup;
}

void TItemTree::AddItem(const std::string &id)
{
    ItemRow row;
    row.NumIid = id;
    Tree->addChild(nullptr, std::move(row));
}

void TItemTree::Clear()
{
    FCommon.Items.clear();
    Tree->clear();
    FHotNode = nullptr;
    FPreviewNode = nullptr;
    // The rows are new ones, whatever their ids.
    FLastFavouritePress.reset();
}

VirtualTree::Node *TItemTree::FindRow(const std::string &id) const
{
    for (int i = 0; i < Tree->topLevelCount(); ++i) {
        VirtualTree::Node *node = Tree->topLevelNode(i);
        if (VirtualTree::nodeData<ItemRow>(node)->NumIid == id)
            return node;
    }
    return nullptr;
}

void TItemTree::RefreshItem(const std::string &id)
{
    Tree->repaintNode(FindRow(id));
}

void TItemTree::RefreshItem(const std::string &id, const QImage &thumbnail)
{
    VirtualTree::Node *node = FindRow(id);
    if (!node)
        return;
    ItemRow *row = VirtualTree::nodeData<ItemRow>(node);
    row->PictureFailed = false;
    if (!thumbnail.isNull()) {
        row->Thumbnail = thumbnail;
        row->ThumbnailMade = true;
        row->PictureLoaded = true;
    } else if (!row->PictureLoaded) {
        // Read here rather than at the next paint because a cache file that holds no picture
        // will not get better: the row stops waiting at once, in view or not. A picture read
        // here is decoded at the paint, which shows the no-picture picture if that fails.
        const TTaoBaoData *record = FCommon.Items.findFirst(id);
        row->PictureLoaded = record && FCommon.LoadItemPicture(id, record->Picture.get());
        row->PictureFailed = !row->PictureLoaded;
    }
    Tree->repaintNode(node);
}

void TItemTree::MarkPictureFailed(const std::string &id)
{
    VirtualTree::Node *node = FindRow(id);
    if (!node)
        return;
    ItemRow *row = VirtualTree::nodeData<ItemRow>(node);
    // Another batch of the same page may have brought the picture already.
    if (row->ThumbnailMade || row->PictureLoaded)
        return;
    row->PictureFailed = true;
    Tree->repaintNode(node);
}

void TItemTree::DeleteItem(const std::string &id)
{
    VirtualTree::Node *node = FindRow(id);
    if (!node)
        return;
    if (FHotNode == node)
        FHotNode = nullptr;
    if (FPreviewNode == node)
        FPreviewNode = nullptr;
    Tree->deleteNode(node);
}

void TItemTree::SortRows(ItemSortKey key, bool ascending)
{
    FSortKey = key;
    Tree->sortTree(ascending);
}

int TItemTree::CompareNodes(VirtualTree::Node *a, VirtualTree::Node *b) const
{
    const TTaoBaoData &first = recordOf(FCommon, a);
    const TTaoBaoData &second = recordOf(FCommon, b);
    switch (FSortKey) {
    case ItemSortKey::Credit:
        return sign(std::int64_t(first.CreditScore) - second.CreditScore);
    case ItemSortKey::Price:
        // A price that is not a number counts as 0, as missing numbers do everywhere else.
        return sign(whole(parseNumber(first.Price, 0)) - whole(parseNumber(second.Price, 0)));
    case ItemSortKey::Sales:
        return sign(std::int64_t(first.Volume) - second.Volume);
    case ItemSortKey::CashBack:
        return sign(whole(first.CashBack) - whole(second.CashBack));
    default:
        return 0;
    }
}

int TItemTree::buttonHit(int x, int ry)
{
    if (x < kAreaLeft || x > kAreaRight)
        return -1;
    for (int k = 0; k < ButtonCount; ++k)
        if (ry >= kAreaTops[k] && ry < kAreaTops[k] + kAreaHeight)
            return k;
    return -1;
}

void TItemTree::HandleMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, QPoint pos,
                                bool doubleClick)
{
    VirtualTree::Node *node = Tree->nodeAt(pos);
    if (!node)
        return;
    const int hit = buttonHit(pos.x(), pos.y() - Tree->rowTop(node).value_or(0));
    if (doubleClick && hit >= 0)
        return;
    if (hit < 0) {
        Tree->setSelectedNode(node);
        return;
    }
    PressButton(node, Button(hit));
}

void TItemTree::PressButton(VirtualTree::Node *node, Button button)
{
    const ItemRow *row = VirtualTree::nodeData<ItemRow>(node);
    if (!row)
        return;
    const std::string id = row->NumIid;
    TTaoBaoData record;
    FCommon.FindItem(id, record);
    const auto now = std::chrono::steady_clock::now();
    if (button == Favourite && repeatedFavouritePress(id, now))
        return;
    for (int k = 0; k < ButtonCount; ++k)
        Pressed[std::size_t(k)] = k == button;
    switch (button) {
    case Cashback:
        openInBrowser(CashBackAddress(FCommon.Settings.FanXianUrl, id, record.CashBack));
        break;
    case Click:
        openInBrowser(record.ClickUrl);
        break;
    case Favourite:
        if (!FCommon.Favourites.contains(id)) {
            if (const TTaoBaoData *found = FCommon.Items.findFirst(id))
                FCommon.Favourites.add(*found);
        } else {
            DeleteItem(id);
            FCommon.Items.removeFirst(id);
            FCommon.Favourites.remove(id);
        }
        // Only a press that acted starts the gap; one the store refused may be tried again.
        FLastFavouriteId = id;
        FLastFavouritePress = now;
        break;
    case ButtonCount:
        break;
    }
    // The favourite button's picture follows the store at once.
    if (VirtualTree::Node *shown = FindRow(id))
        Tree->repaintNode(shown);
}

bool TItemTree::repeatedFavouritePress(const std::string &id,
                                       std::chrono::steady_clock::time_point now) const
{
    return FLastFavouritePress && FLastFavouriteId == id &&
           now - *FLastFavouritePress < std::chrono::milliseconds(kFavouritePressGapMs);
}

void TItemTree::MouseMove(Qt::KeyboardModifiers, QPoint pos)
{
    VirtualTree::Node *node = Tree->nodeAt(pos);
    if (!node)
        return;
    const int x = pos.x();
    const int ry = pos.y() - Tree->rowTop(node).value_or(0);
    const int hit = buttonHit(x, ry);
    for (int k = 0; k < ButtonCount; ++k)
        Hover[std::size_t(k)] = k == hit;

    const bool overThumbnail =
        x >= kPreviewFirst && x <= kPreviewLast && ry >= kPreviewFirst && ry <= kPreviewLast;
    try {
        if (overThumbnail && FPreview) {
            if (FPreviewNode != node) {
                const QPoint cursor = Tree->viewport()->mapToGlobal(pos);
                FPreview->move(FPreviewLeft, cursor.y() - kPreviewAboveCursor);
                FPreviewNode = node;
            }
            if (FPreview->isHidden())
                FPreview->show();
            FPreview->ShowPicture(VirtualTree::nodeData<ItemRow>(node)->NumIid);
        } else if (!overThumbnail && FPreview) {
            FPreview->hide();
        }
    } catch (const std::exception &) {
        // A picture the popup cannot read ends this move quietly; the next move tries again.
        return;
    }
    Tree->repaintNode(node);
    Tree->repaintNode(FHotNode);
    FHotNode = node;
}

void TItemTree::drawButtons(QPainter &painter, const std::string &id, int state)
{
    const int favourite = FCommon.Favourites.contains(id) ? 3 : 2;
    const int pictures[] = {0, 1, favourite};
    for (int k = 0; k < ButtonCount; ++k) {
        const bool wanted = state == Normal || (state == Hot && Hover[std::size_t(k)]) ||
                            (state == Down && Pressed[std::size_t(k)]);
        if (!wanted)
            continue;
        const QImage &picture = ButtonPictures[std::size_t(pictures[k] * 3 + state)];
        if (!picture.isNull())
            painter.drawImage(QPoint(kButtonX, kButtonTops[k]), picture);
        if (state == Down)
            Pressed[std::size_t(k)] = false;
    }
}

void TItemTree::DrawNode(QPainter &painter, VirtualTree::Node *node, const QRect &cell,
                         bool selected)
{
    ItemRow *row = VirtualTree::nodeData<ItemRow>(node);
    if (!row)
        return;
    const std::string &id = row->NumIid;
    drawButtons(painter, id, Normal);
    if (selected) {
        if (!SelectedPicture.isNull())
            painter.drawImage(cell, SelectedPicture);
        drawButtons(painter, id, Normal);
    }
    if (node == FHotNode) {
        drawButtons(painter, id, Hot);
        drawButtons(painter, id, Down);
    }

    TTaoBaoData record;
    FCommon.FindItem(id, record);
    if (row->ThumbnailMade) {
        painter.drawImage(QPoint(kThumbnailFirst, kThumbnailFirst), row->Thumbnail);
    } else if (row->PictureFailed) {
        drawSquare(painter, NoPicture);
    } else if (record.Picture) {
        // A picture cached before its thumbnail was made (a page of cached pictures) is decoded
        // here, so the row shows it at its first paint; until then the row shows the stand-by.
        if (!row->PictureLoaded && FCommon.Cache.load(id, *record.Picture))
            row->PictureLoaded = true;
        if (row->PictureLoaded)
            drawThumbnail(painter, *row, record.Picture);
        else
            drawSquare(painter, StandBy);
    }

    drawTitle(painter, record.Title);
    const QString seller = QStringLiteral("掌柜：");
    drawText(painter, 85, 50, FTitleFont, Qt::black, seller);
    drawText(painter, 85 + FTitleMetrics.horizontalAdvance(seller), 50, FTitleFont, kSellerColour,
             text(record.Nick));
    drawText(painter, 304, 10, FTitleFont, Qt::black, QStringLiteral("淘宝价："));
    drawText(painter, 349, 5, FValueFont, kValueColour, text(record.Price));
    drawText(painter, 304, 50, FTitleFont, Qt::black, QStringLiteral("信  誉："));
    if (const QImage *icon = creditIcon(record.CreditScore))
        painter.drawImage(QPoint(349, 47), *icon);
    drawText(painter, 460, 10, FTitleFont, Qt::black, QStringLiteral("购物返现："));
    drawText(painter, 518, 5, FValueFont, kValueColour, text(formatGeneral(record.CashBack)));
    drawText(painter, 460, 50, FTitleFont, Qt::black, QStringLiteral("30天销售记录："));
    drawText(painter, 540, 45, FValueFont, kVolumeColour, QString::number(record.Volume));

    painter.setPen(kSeparatorColour);
    painter.drawLine(0, kRowHeight - 1, Tree->viewport()->width(), kRowHeight - 1);
}

void TItemTree::drawThumbnail(QPainter &painter, ItemRow &row,
                              const std::shared_ptr<TJpegImage> &picture)
{
    if (!picture)
        return;
    // Only the thumbnail is kept: the picture object keeps its file's bytes but no decoded
    // pixels, so releasing a page's records frees little (the preview reads the cache file).
    const bool same =
        row.ThumbnailOf.lock() == picture && row.ThumbnailSerial == picture->LoadSerial();
    // A picture that failed once fails at every paint without being decoded again; loading
    // another picture into the object (a new download) changes its serial. The failure still
    // ends the row's paint, after its square shows that it has no picture.
    const auto fail = [&] {
        drawSquare(painter, NoPicture);
        throw PictureError("the item picture does not decode");
    };
    if (same && row.ThumbnailFailed)
        fail();
    if (!same || row.Thumbnail.isNull()) {
        row.Thumbnail = QImage();
        row.ThumbnailOf = picture;
        row.ThumbnailSerial = picture->LoadSerial();
        row.ThumbnailFailed = true;
        try {
            row.Thumbnail = MakeItemThumbnail(*picture, kThumbnailSide);
        } catch (const std::exception &) {
            fail();
        }
        row.ThumbnailFailed = false;
    }
    painter.drawImage(QPoint(kThumbnailFirst, kThumbnailFirst), row.Thumbnail);
}

void TItemTree::drawSquare(QPainter &painter, const QImage &picture)
{
    if (!picture.isNull())
        painter.drawImage(QPoint(kThumbnailFirst, kThumbnailFirst), picture);
}

void TItemTree::drawTitle(QPainter &painter, const std::string &title)
{
    const QString whole = text(title);
    if (FTitleMetrics.horizontalAdvance(whole) <= kTitleWidth) {
        drawText(painter, 85, 5, FTitleFont, kTitleColour, whole);
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
        FTitleMetrics.elidedText(text(TrimTitleLine(second)), Qt::ElideRight, kTitleWidth);
    drawText(painter, 85, 5, FTitleFont, kTitleColour, text(TrimTitleLine(first)));
    drawText(painter, 85, 25, FTitleFont, kTitleColour, secondLine);
}

void TItemTree::drawText(QPainter &painter, int x, int y, const QFont &font, QColor colour,
                         const QString &content)
{
    painter.setFont(font);
    painter.setPen(colour);
    const int ascent = &font == &FValueFont ? FValueMetrics.ascent() : FTitleMetrics.ascent();
    painter.drawText(x, y + ascent, content);
}

const QImage *TItemTree::creditIcon(std::int32_t level)
{
    const TGifImage *gif = FCommon.CreditIcon(level);
    if (!gif || gif->Frames().empty())
        return nullptr;
    // The registry holds one icon per level and never changes, so each is converted once.
    auto [at, added] = FCreditIcons.try_emplace(level);
    if (added)
        at->second = toQImage(gif->Frames().front().image);
    return at->second.isNull() ? nullptr : &at->second;
}

int TItemTree::measureWidth(char32_t c)
{
    const auto [at, added] = FMeasureWidths.try_emplace(c, 0);
    if (added)
        at->second = FMeasureMetrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    return at->second;
}

int TItemTree::titleWidth(char32_t c)
{
    const auto [at, added] = FTitleWidths.try_emplace(c, 0);
    if (added)
        at->second = FTitleMetrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    return at->second;
}

}  // namespace quenbo
