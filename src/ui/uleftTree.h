#pragma once

#include "core/uTypeData.h"
#include "ui/virtual_tree.h"

#include <QImage>

#include <cstdint>

namespace quenbo {

class TZipFile;

// The category tree presenter: owns the drawing of the category tree control, adds categories
// to it level by level and lights up the row under the mouse. Each node carries its own copy of
// the category record; that copy's Loaded flag is the one the tree keeps. GUI thread only.
class TleftTree {
public:
    static constexpr int kRowHeight = 24;
    static inline const QColor kHotColor{254, 240, 183};
    static inline const QColor kSelectedColor{187, 228, 255};

    // Takes over the drawing and mouse movement of tree, which must outlive this presenter,
    // and loads the parent marker "class_1" from zip (none when it fails to load).
    TleftTree(VirtualTree *tree, const TZipFile &zip);
    // Hands the control back without handlers; its nodes stay.
    ~TleftTree();
    TleftTree(const TleftTree &) = delete;
    TleftTree &operator=(const TleftTree &) = delete;

    // Appends a copy of record as the last child of the category parentId, or at the top level
    // when parentId is 0 or names no category. Does not expand the parent.
    void AddCategory(const TShopClass &record, std::int32_t parentId);
    // The first node in pre-order, collapsed subtrees included, whose Cid reads as id.
    VirtualTree::Node *FindCategoryNode(std::int32_t id) const;

    void DrawCategoryNode(QPainter &painter, VirtualTree::Node *node, const QRect &cell,
                          bool selected);
    void TrackHotNode(QPoint pos);

    VirtualTree::Node *HotNode() const { return FHotNode; }
    const QImage &ParentMarker() const { return FParentMarker; }

private:
    VirtualTree *FTree;
    QImage FParentMarker;
    VirtualTree::Node *FHotNode = nullptr;
};

}  // namespace quenbo
