#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>

#include <any>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quenbo {

// The owner-drawn tree control under the category tree and the item list. Every row has the
// same height; each node carries one value of the presenter's choosing; the presenter draws the
// nodes, the control paints only the rows a paint event touches and keeps a flattened list of
// the visible rows, so neither painting nor hit-testing walks the whole tree.
//
// Nodes are owned by the control; a node pointer stays valid until the node is deleted or the
// control is cleared. GUI thread only.
class VirtualTree : public QAbstractScrollArea {
    Q_OBJECT

public:
    struct Node;

    // Paints one node. The painter's origin is the row's top-left corner; cell is the node's
    // cell in those coordinates. Called only for rows on screen.
    using DrawHandler =
        std::function<void(QPainter &painter, Node *node, const QRect &cell, bool selected)>;
    // Mouse position in viewport (client) coordinates.
    using MouseMoveHandler = std::function<void(Qt::KeyboardModifiers modifiers, QPoint pos)>;
    // Negative when a comes before b, zero when they are equal.
    using CompareHandler = std::function<int(Node *a, Node *b)>;
    // A key pressed while the control has the focus, with the selected (focused) node or null;
    // true when the handler acted on it, which ends the control's own handling of the key.
    using KeyHandler = std::function<bool(int key, Qt::KeyboardModifiers modifiers, Node *focused)>;
    // The rows in view after a paint, whatever part of the view it repainted: the first row's
    // index among the visible rows and how many are in view, partly or wholly (0 for none).
    using ViewHandler = std::function<void(int first, int count)>;
    // What assistive technology reads for a row.
    using TextHandler = std::function<QString(Node *node)>;
    // A command assistive technology can run on a row: its name, the key that runs it on the
    // focused row (may be empty), and what it does.
    struct RowAction {
        QString name;
        QString key;
        std::function<void(Node *node)> run;
    };

    class UpdateScope;

    explicit VirtualTree(QWidget *parent = nullptr);
    ~VirtualTree() override;

    // Between beginUpdate and the matching endUpdate, adding top-level rows and clearing leave
    // the scroll range and the repaint to endUpdate, which sets the range and schedules one
    // repaint of the viewport: filling a page of rows then costs one update, not one per row.
    // Calls nest; hit-testing and row positions stay exact meanwhile, but the scroll position
    // is the one before the batch.
    void beginUpdate();
    void endUpdate();

    void setDefaultNodeHeight(int height);
    int defaultNodeHeight() const { return m_rowHeight; }
    // The width of the one column the cells span; 0 makes cells as wide as the viewport.
    void setColumnWidth(int width);
    int columnWidth() const { return m_columnWidth; }

    void setDrawHandler(DrawHandler handler) { m_draw = std::move(handler); }
    const DrawHandler &drawHandler() const { return m_draw; }
    void setMouseMoveHandler(MouseMoveHandler handler) { m_mouseMove = std::move(handler); }
    void setCompareHandler(CompareHandler handler) { m_compare = std::move(handler); }
    void setKeyHandler(KeyHandler handler) { m_key = std::move(handler); }
    void setViewHandler(ViewHandler handler) { m_view = std::move(handler); }

    // Assistive technology: the control is a list (QAccessible::List, the default) or a tree
    // (QAccessible::Tree) of its visible rows, each read by the text handler (empty without
    // one) and offering the row actions.
    void setAccessibleRole(QAccessible::Role role) { m_accessibleRole = role; }
    QAccessible::Role accessibleRole() const { return m_accessibleRole; }
    void setAccessibleTextHandler(TextHandler handler) { m_text = std::move(handler); }
    QString rowText(Node *node) const { return m_text && node ? m_text(node) : QString(); }
    void setRowActions(std::vector<RowAction> actions) { m_actions = std::move(actions); }
    const std::vector<RowAction> &rowActions() const { return m_actions; }
    // The accessible interface of node's row (null for none), made on first use and kept,
    // registered with QAccessible, until rows are removed.
    QAccessibleInterface *accessibleRow(Node *node);

    // Appends a node carrying data as the last child of parent (null: the top level). Adding a
    // node does not expand its parent.
    Node *addChild(Node *parent, std::any data);
    // Deletes the node with its subtree; the selection is dropped when it was inside.
    void deleteNode(Node *node);
    void clear();

    // The node's data as T, or null when it carries none or another type.
    template <class T> static T *nodeData(Node *node);

    static Node *nodeParent(const Node *node);
    // 0 for a top-level node, 1 for its children, and so on.
    static int nodeLevel(const Node *node);
    static int childCount(const Node *node);
    static Node *child(const Node *node, int index);
    int topLevelCount() const { return int(m_roots.size()); }
    Node *topLevelNode(int index) const;
    int totalCount() const { return m_totalCount; }
    // Visits every node in pre-order (a node, its subtree, then its next sibling), collapsed
    // subtrees included, until visit returns true; returns that node or null.
    Node *findNode(const std::function<bool(Node *)> &visit) const;

    static bool isExpanded(const Node *node);
    void setExpanded(Node *node, bool expanded);
    void toggleNode(Node *node);

    // The visible rows, top to bottom.
    int visibleRowCount() const;
    Node *visibleRow(int row) const;
    // The node's place among the visible rows; -1 when it is not visible or null.
    int visibleIndex(const Node *node) const;

    // The node whose row covers viewport y (x is not examined), or null below the last row.
    Node *nodeAt(QPoint pos) const;
    // The top of the node's row in viewport coordinates, scrolling included; nothing when the
    // node is not visible (inside a collapsed parent).
    std::optional<int> rowTop(Node *node) const;
    // The node's row across the viewport; an empty rectangle when the node is not visible.
    QRect nodeRect(Node *node) const;
    // Schedules a repaint of the node's row only.
    void repaintNode(Node *node);

    Node *selectedNode() const { return m_selected; }
    // Selects node (null: none), which deselects any other.
    void setSelectedNode(Node *node);

    // When on, a node that becomes the selected row by a key and has children is expanded, so
    // walking the tree with the arrow keys opens it level by level. Off by default.
    void setExpandOnKeySelect(bool on) { m_expandOnKeySelect = on; }
    // Scrolls so that the node's row is wholly on screen.
    void scrollToNode(Node *node);

    // Called by a mouseDown handler whose press failed: the control's own reaction to that
    // press (the selection by the left button) is skipped.
    void abandonPress() { m_pressAbandoned = true; }

    // Reorders the children of every parent with the compare handler by a stable merge sort;
    // descending order uses the reversed comparison, so equal nodes keep their order both ways.
    void sortTree(bool ascending);

signals:
    // A mouse button went down over the viewport; doubleClick marks the second press of a
    // double-click. Emitted before the control's own reaction (selection by the left button).
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, bool doubleClick,
                   QPoint pos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // The key handler first; then Up, Down, Page Up, Page Down, Home and End move the
    // selection through the visible rows, Right opens the selected node, Left closes it or
    // moves to its parent.
    void keyPressEvent(QKeyEvent *event) override;
    // The selected row carries a focus mark while the control has the focus.
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void selectByKey(Node *node);
    void press(QMouseEvent *event, bool doubleClick);
    void invalidateRows();
    void ensureRows() const;
    void updateScrollRange();
    void paintRow(QPainter &painter, int row);
    // Forgets the rows' accessible interfaces, so that none outlives its node.
    void dropAccessibleRows();
    // Tells assistive technology which row has the focus.
    void announceFocus();

    std::vector<std::unique_ptr<Node>> m_roots;
    mutable std::vector<Node *> m_rows;  // the visible nodes, top to bottom
    mutable bool m_rowsValid = true;
    Node *m_selected = nullptr;
    int m_updateDepth = 0;
    int m_rowHeight = 18;
    int m_columnWidth = 0;
    int m_totalCount = 0;
    bool m_expandOnKeySelect = false;
    bool m_pressAbandoned = false;
    DrawHandler m_draw;
    ViewHandler m_view;
    MouseMoveHandler m_mouseMove;
    CompareHandler m_compare;
    KeyHandler m_key;
    TextHandler m_text;
    std::vector<RowAction> m_actions;
    QAccessible::Role m_accessibleRole = QAccessible::List;
    std::unordered_map<Node *, QAccessible::Id> m_accessibleRows;
};

// Holds a beginUpdate for its lifetime.
class VirtualTree::UpdateScope {
public:
    explicit UpdateScope(VirtualTree *tree)
        : m_tree(tree)
    {
        m_tree->beginUpdate();
    }
    ~UpdateScope() { m_tree->endUpdate(); }
    UpdateScope(const UpdateScope &) = delete;
    UpdateScope &operator=(const UpdateScope &) = delete;

private:
    VirtualTree *m_tree;
};

struct VirtualTree::Node {
    Node *parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    std::any data;
    int level = 0;
    int row = -1;  // index in the visible rows while they are valid; -1 when hidden
    bool expanded = false;
};

template <class T> T *VirtualTree::nodeData(Node *node)
{
    return node ? std::any_cast<T>(&node->data) : nullptr;
}

}  // namespace quenbo
