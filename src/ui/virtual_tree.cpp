#include "ui/virtual_tree.h"

#include "ui/virtual_tree_accessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace quenbo {

namespace {

// Visits the nodes of the trees under roots in display order, each before its children;
// with visibleOnly the children of closed nodes are passed over. Stops at the first node that
// visit returns true for and returns it; null when there is none.
template <typename Visit>
VirtualTree::Node *walkDepthFirst(const std::vector<std::unique_ptr<VirtualTree::Node>> &roots,
                                  bool visibleOnly, Visit &&visit)
{
    std::vector<VirtualTree::Node *> pending;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it)
        pending.push_back(it->get());
    while (!pending.empty()) {
        VirtualTree::Node *node = pending.back();
        pending.pop_back();
        if (visit(node))
            return node;
        if (!visibleOnly || node->expanded)
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                pending.push_back(it->get());
    }
    return nullptr;
}

constexpr int kScrollStep = 24;

int subtreeSize(const VirtualTree::Node &node)
{
    int count = 1;
    for (const auto &child : node.children)
        count += subtreeSize(*child);
    return count;
}

bool contains(const VirtualTree::Node *ancestor, const VirtualTree::Node *node)
{
    for (; node; node = node->parent)
        if (node == ancestor)
            return true;
    return false;
}

}  // namespace

VirtualTree::VirtualTree(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(kScrollStep);
    installVirtualTreeAccessibility();
}

VirtualTree::~VirtualTree()
{
    dropAccessibleRows();
}

QAccessibleInterface *VirtualTree::accessibleRow(Node *node)
{
    if (!node)
        return nullptr;
    const auto known = m_accessibleRows.find(node);
    if (known != m_accessibleRows.end())
        return QAccessible::accessibleInterface(known->second);
    auto *row = new VirtualTreeRowAccessible(this, node);
    m_accessibleRows.emplace(node, QAccessible::registerAccessibleInterface(row));
    return row;
}

void VirtualTree::dropAccessibleRows()
{
    for (const auto &[node, id] : m_accessibleRows)
        QAccessible::deleteAccessibleInterface(id);
    m_accessibleRows.clear();
}

void VirtualTree::announceFocus()
{
    if (!QAccessible::isActive() || !hasFocus() || !m_selected)
        return;
    QAccessibleEvent event(accessibleRow(m_selected), QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void VirtualTree::setDefaultNodeHeight(int height)
{
    m_rowHeight = std::max(1, height);
    updateScrollRange();
    viewport()->update();
}

void VirtualTree::setColumnWidth(int width)
{
    m_columnWidth = std::max(0, width);
    viewport()->update();
}

VirtualTree::Node *VirtualTree::addChild(Node *parent, std::any data)
{
    auto owned = std::make_unique<Node>();
    Node *node = owned.get();
    node->parent = parent;
    node->data = std::move(data);
    node->level = parent ? parent->level + 1 : 0;
    (parent ? parent->children : m_roots).push_back(std::move(owned));
    ++m_totalCount;
    if (!parent) {
        if (m_rowsValid) {
            node->row = int(m_rows.size());
            m_rows.push_back(node);
            if (m_updateDepth == 0) {
                updateScrollRange();
                repaintNode(node);
            }
        }
    } else if (parent->expanded && visibleIndex(parent) >= 0) {
        invalidateRows();
    }
    return node;
}

void VirtualTree::deleteNode(Node *node)
{
    if (!node)
        return;
    if (contains(node, m_selected))
        m_selected = nullptr;
    auto &siblings = node->parent ? node->parent->children : m_roots;
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [node](const auto &owned) { return owned.get() == node; });
    if (it == siblings.end())
        return;
    m_totalCount -= subtreeSize(*node);
    dropAccessibleRows();
    siblings.erase(it);
    invalidateRows();
}

void VirtualTree::clear()
{
    dropAccessibleRows();
    m_selected = nullptr;
    m_rows.clear();
    m_roots.clear();
    m_rowsValid = true;
    m_totalCount = 0;
    if (m_updateDepth > 0) {
        // An emptied list starts again at its top, as the range of no rows would force.
        verticalScrollBar()->setValue(0);
        return;
    }
    updateScrollRange();
    viewport()->update();
}

void VirtualTree::beginUpdate()
{
    ++m_updateDepth;
}

void VirtualTree::endUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    ensureRows();
    updateScrollRange();
    viewport()->update();
}

VirtualTree::Node *VirtualTree::nodeParent(const Node *node)
{
    return node ? node->parent : nullptr;
}

int VirtualTree::nodeLevel(const Node *node)
{
    return node ? node->level : 0;
}

int VirtualTree::childCount(const Node *node)
{
    return node ? int(node->children.size()) : 0;
}

VirtualTree::Node *VirtualTree::child(const Node *node, int index)
{
    if (!node || index < 0 || index >= int(node->children.size()))
        return nullptr;
    return node->children[std::size_t(index)].get();
}

VirtualTree::Node *VirtualTree::topLevelNode(int index) const
{
    if (index < 0 || index >= int(m_roots.size()))
        return nullptr;
    return m_roots[std::size_t(index)].get();
}

VirtualTree::Node *VirtualTree::findNode(const std::function<bool(Node *)> &visit) const
{
    return walkDepthFirst(m_roots, false, visit);
}

bool VirtualTree::isExpanded(const Node *node)
{
    return node && node->expanded;
}

void VirtualTree::setExpanded(Node *node, bool expanded)
{
    if (!node || node->expanded == expanded)
        return;
    const bool shown = visibleIndex(node) >= 0;
    node->expanded = expanded;
    if (shown && !node->children.empty())
        invalidateRows();
}

void VirtualTree::toggleNode(Node *node)
{
    if (node)
        setExpanded(node, !node->expanded);
}

int VirtualTree::visibleRowCount() const
{
    ensureRows();
    return int(m_rows.size());
}

VirtualTree::Node *VirtualTree::visibleRow(int row) const
{
    ensureRows();
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)] : nullptr;
}

VirtualTree::Node *VirtualTree::nodeAt(QPoint pos) const
{
    const int y = pos.y() + verticalScrollBar()->value();
    if (y < 0)
        return nullptr;
    return visibleRow(y / m_rowHeight);
}

int VirtualTree::visibleIndex(const Node *node) const
{
    ensureRows();
    if (!node || node->row < 0 || node->row >= int(m_rows.size()) ||
        m_rows[std::size_t(node->row)] != node)
        return -1;
    return node->row;
}

std::optional<int> VirtualTree::rowTop(Node *node) const
{
    const int row = visibleIndex(node);
    if (row < 0)
        return std::nullopt;
    return row * m_rowHeight - verticalScrollBar()->value();
}

QRect VirtualTree::nodeRect(Node *node) const
{
    const std::optional<int> top = rowTop(node);
    if (!top)
        return {};
    return QRect(0, *top, viewport()->width(), m_rowHeight);
}

void VirtualTree::repaintNode(Node *node)
{
    const QRect rect = nodeRect(node);
    if (rect.isValid())
        viewport()->update(rect);
}

void VirtualTree::setSelectedNode(Node *node)
{
    if (node == m_selected)
        return;
    Node *previous = m_selected;
    m_selected = node;
    repaintNode(previous);
    repaintNode(node);
    announceFocus();
}

void VirtualTree::scrollToNode(Node *node)
{
    const int row = visibleIndex(node);
    if (row < 0)
        return;
    QScrollBar *bar = verticalScrollBar();
    const int top = row * m_rowHeight;
    const int bottom = top + m_rowHeight;
    if (top < bar->value())
        bar->setValue(top);
    else if (bottom > bar->value() + viewport()->height())
        bar->setValue(bottom - viewport()->height());
}

void VirtualTree::sortTree(bool ascending)
{
    if (!m_compare)
        return;
    const auto before = [this, ascending](const std::unique_ptr<Node> &a,
                                          const std::unique_ptr<Node> &b) {
        return ascending ? m_compare(a.get(), b.get()) < 0 : m_compare(b.get(), a.get()) < 0;
    };
    std::vector<std::vector<std::unique_ptr<Node>> *> lists{&m_roots};
    while (!lists.empty()) {
        auto *list = lists.back();
        lists.pop_back();
        std::stable_sort(list->begin(), list->end(), before);
        for (auto &node : *list)
            if (!node->children.empty())
                lists.push_back(&node->children);
    }
    invalidateRows();
}

void VirtualTree::invalidateRows()
{
    m_rowsValid = false;
    viewport()->update();
    ensureRows();
}

void VirtualTree::ensureRows() const
{
    if (m_rowsValid)
        return;
    m_rows.clear();
    walkDepthFirst(m_roots, true, [this](Node *node) {
        node->row = int(m_rows.size());
        m_rows.push_back(node);
        return false;
    });
    m_rowsValid = true;
    const_cast<VirtualTree *>(this)->updateScrollRange();
}

void VirtualTree::updateScrollRange()
{
    const int content = int(m_rows.size()) * m_rowHeight;
    const int page = viewport()->height();
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setRange(0, std::max(0, content - page));
}

void VirtualTree::paintEvent(QPaintEvent *event)
{
    ensureRows();
    QPainter painter(viewport());
    const QRegion &region = event->region();
    // Rows are drawn on plain white, whatever the palette: their colours are chosen for it.
    painter.fillRect(region.boundingRect(), Qt::white);
    const int offset = verticalScrollBar()->value();
    if (m_view) {
        const int first = offset / m_rowHeight;
        const int end = std::min(int(m_rows.size()),
                                 (offset + viewport()->height() + m_rowHeight - 1) / m_rowHeight);
        m_view(first, std::max(0, end - first));
    }
    if (m_rows.empty())
        return;
    std::vector<int> rows;
    for (const QRect &rect : region) {
        const int first = std::max(0, (rect.top() + offset) / m_rowHeight);
        const int last = std::min(int(m_rows.size()) - 1, (rect.bottom() + offset) / m_rowHeight);
        for (int row = first; row <= last; ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (const int row : rows)
        paintRow(painter, row);
}

void VirtualTree::paintRow(QPainter &painter, int row)
{
    if (!m_draw)
        return;
    Node *node = m_rows[std::size_t(row)];
    const int top = row * m_rowHeight - verticalScrollBar()->value();
    painter.save();
    painter.setClipRect(QRect(0, top, viewport()->width(), m_rowHeight), Qt::IntersectClip);
    painter.translate(0, top);
    const int width = m_columnWidth > 0 ? m_columnWidth : viewport()->width();
    try {
        m_draw(painter, node, QRect(0, 0, width, m_rowHeight), node == m_selected);
    } catch (const std::exception &) {
        // What the handler drew before it failed stays; the other rows are still painted.
    }
    if (node == m_selected && hasFocus()) {
        // A dotted frame along the row's edge: where the keys act, over whatever the row shows.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(64, 64, 64), 1, Qt::DotLine));
        painter.drawRect(QRect(0, 0, width, m_rowHeight).adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void VirtualTree::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    announceFocus();
}

void VirtualTree::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void VirtualTree::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
}

void VirtualTree::mousePressEvent(QMouseEvent *event)
{
    press(event, false);
}

void VirtualTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    press(event, true);
}

void VirtualTree::press(QMouseEvent *event, bool doubleClick)
{
    const QPoint pos = event->position().toPoint();
    m_pressAbandoned = false;
    emit mouseDown(event->button(), event->modifiers(), doubleClick, pos);
    if (event->button() == Qt::LeftButton && !m_pressAbandoned)
        if (Node *node = nodeAt(pos))
            setSelectedNode(node);
    event->accept();
}

void VirtualTree::mouseMoveEvent(QMouseEvent *event)
{
    if (m_mouseMove)
        m_mouseMove(event->modifiers(), event->position().toPoint());
}

void VirtualTree::keyPressEvent(QKeyEvent *event)
{
    if (m_key && m_key(event->key(), event->modifiers(), m_selected)) {
        event->accept();
        return;
    }
    const int count = visibleRowCount();
    const int current = visibleIndex(m_selected);
    const int page = std::max(1, viewport()->height() / m_rowHeight);
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Down:
        target = current < 0 ? 0 : current + 1;
        break;
    case Qt::Key_Up:
        target = current < 0 ? 0 : current - 1;
        break;
    case Qt::Key_PageDown:
        target = current < 0 ? 0 : current + page;
        break;
    case Qt::Key_PageUp:
        target = current < 0 ? 0 : current - page;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    case Qt::Key_Right:
        if (m_selected && !m_selected->children.empty())
            setExpanded(m_selected, true);
        event->accept();
        return;
    case Qt::Key_Left:
        if (m_selected && m_selected->expanded && !m_selected->children.empty())
            setExpanded(m_selected, false);
        else if (m_selected && m_selected->parent)
            selectByKey(m_selected->parent);
        event->accept();
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (count > 0)
        selectByKey(visibleRow(std::clamp(target, 0, count - 1)));
    event->accept();
}

void VirtualTree::selectByKey(Node *node)
{
    setSelectedNode(node);
    if (m_expandOnKeySelect && node && !node->children.empty())
        setExpanded(node, true);
    scrollToNode(node);
}

}  // namespace quenbo
