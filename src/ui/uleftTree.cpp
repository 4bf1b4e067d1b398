#include "ui/uleftTree.h"

#include "assets/uzipfile.h"
#include "gateway/category_query.h"
#include "pictures/png_image.h"
#include "ui/picture_qt.h"

#include <QPainter>

namespace quenbo {

namespace {

constexpr int kMarkerTop = 7;
constexpr int kTextTop = 5;

}  // namespace

TleftTree::TleftTree(VirtualTree *tree, const TZipFile &zip)
    : FTree(tree)
{
    TPngImage marker;
    if (zip.ReadPng("class_1", marker))
        FParentMarker = toQImage(marker.Image());
    FTree->setDefaultNodeHeight(kRowHeight);
    FTree->setDrawHandler(
        [this](QPainter &painter, VirtualTree::Node *node, const QRect &cell, bool selected) {
            DrawCategoryNode(painter, node, cell, selected);
        });
    FTree->setMouseMoveHandler([this](Qt::KeyboardModifiers, QPoint pos) { TrackHotNode(pos); });
    // Assistive technology reads the categories as a tree, each row by its name.
    FTree->setAccessibleRole(QAccessible::Tree);
    FTree->setAccessibleTextHandler([](VirtualTree::Node *node) {
        const TShopClass *category = VirtualTree::nodeData<TShopClass>(node);
        return category ? QString::fromStdString(category->Name) : QString();
    });
}

TleftTree::~TleftTree()
{
    FTree->setDrawHandler({});
    FTree->setMouseMoveHandler({});
    FTree->setAccessibleTextHandler({});
}

void TleftTree::AddCategory(const TShopClass &record, std::int32_t parentId)
{
    VirtualTree::Node *parent = parentId == 0 ? nullptr : FindCategoryNode(parentId);
    FTree->addChild(parent, record);
}

VirtualTree::Node *TleftTree::FindCategoryNode(std::int32_t id) const
{
    return FTree->findNode([id](VirtualTree::Node *node) {
        const TShopClass *category = VirtualTree::nodeData<TShopClass>(node);
        return category && CategoryIdNumber(category->Cid) == id;
    });
}

void TleftTree::DrawCategoryNode(QPainter &painter, VirtualTree::Node *node, const QRect &cell,
                                 bool selected)
{
    const TShopClass *category = VirtualTree::nodeData<TShopClass>(node);
    if (!category)
        return;
    if (node == FHotNode)
        painter.fillRect(cell, kHotColor);
    if (selected)
        painter.fillRect(cell, kSelectedColor);

    const int level = VirtualTree::nodeLevel(node);
    const int markerX = level == 0 ? 3 : 10 * level;
    const int textX = level == 0 ? 12 : 10 * level + 12;
    if (category->IsParent == "true" && !FParentMarker.isNull())
        painter.drawImage(QPoint(markerX, kMarkerTop), FParentMarker);

    QFont font = FTree->font();
    font.setFamily(QStringLiteral("新宋体"));
    font.setPointSize(9);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect textRect(textX, kTextTop, std::max(0, cell.width() - textX),
                         cell.height() - kTextTop);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(category->Name));
}

void TleftTree::TrackHotNode(QPoint pos)
{
    VirtualTree::Node *node = FTree->nodeAt(pos);
    if (node == FHotNode)
        return;
    FTree->repaintNode(node);
    FTree->repaintNode(FHotNode);
    FHotNode = node;
}

}  // namespace quenbo
