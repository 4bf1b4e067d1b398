#include "ui/virtual_tree_accessible.h"

#include <QAccessible>
#include <QScrollBar>
#include <QWidget>
#include <QWindow>

#include <mutex>

namespace quenbo {

VirtualTreeAccessible::VirtualTreeAccessible(VirtualTree *tree)
    : QAccessibleWidget(tree, tree->accessibleRole())
{
}

VirtualTree *VirtualTreeAccessible::tree() const
{
    return static_cast<VirtualTree *>(widget());
}

QAccessible::Role VirtualTreeAccessible::role() const
{
    return tree()->accessibleRole();
}

int VirtualTreeAccessible::childCount() const
{
    return tree()->visibleRowCount();
}

QAccessibleInterface *VirtualTreeAccessible::child(int index) const
{
    return tree()->accessibleRow(tree()->visibleRow(index));
}

int VirtualTreeAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *row = dynamic_cast<const VirtualTreeRowAccessible *>(child);
    return row ? tree()->visibleIndex(row->node()) : -1;
}

QAccessibleInterface *VirtualTreeAccessible::focusChild() const
{
    return tree()->hasFocus() ? tree()->accessibleRow(tree()->selectedNode()) : nullptr;
}

QAccessibleInterface *VirtualTreeAccessible::childAt(int x, int y) const
{
    const QPoint local = tree()->viewport()->mapFromGlobal(QPoint(x, y));
    if (!tree()->viewport()->rect().contains(local))
        return nullptr;
    return tree()->accessibleRow(tree()->nodeAt(local));
}

VirtualTreeRowAccessible::VirtualTreeRowAccessible(VirtualTree *tree, VirtualTree::Node *node)
    : m_tree(tree)
    , m_node(node)
{
}

bool VirtualTreeRowAccessible::isValid() const
{
    return m_tree && m_node;
}

QWindow *VirtualTreeRowAccessible::window() const
{
    return m_tree ? m_tree->window()->windowHandle() : nullptr;
}

QAccessibleInterface *VirtualTreeRowAccessible::parent() const
{
    return m_tree ? QAccessible::queryAccessibleInterface(m_tree.data()) : nullptr;
}

QString VirtualTreeRowAccessible::text(QAccessible::Text t) const
{
    if (!isValid() || t != QAccessible::Name)
        return {};
    return m_tree->rowText(m_node);
}

QRect VirtualTreeRowAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect row = m_tree->nodeRect(m_node);
    return QRect(m_tree->viewport()->mapToGlobal(row.topLeft()), row.size());
}

QAccessible::Role VirtualTreeRowAccessible::role() const
{
    if (!isValid())
        return QAccessible::ListItem;
    return m_tree->accessibleRole() == QAccessible::Tree ? QAccessible::TreeItem
                                                         : QAccessible::ListItem;
}

QAccessible::State VirtualTreeRowAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    state.selectable = true;
    state.focusable = true;
    state.selected = m_tree->selectedNode() == m_node;
    state.focused = state.selected && m_tree->hasFocus();
    const QRect row = m_tree->nodeRect(m_node);
    state.invisible = row.isEmpty();
    state.offscreen = !m_tree->viewport()->rect().intersects(row);
    if (m_tree->accessibleRole() == QAccessible::Tree) {
        state.expandable = VirtualTree::childCount(m_node) > 0;
        state.expanded = VirtualTree::isExpanded(m_node);
        state.collapsed = state.expandable && !state.expanded;
    }
    return state;
}

void *VirtualTreeRowAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this)
                                                : nullptr;
}

QStringList VirtualTreeRowAccessible::actionNames() const
{
    QStringList names;
    if (isValid())
        for (const VirtualTree::RowAction &action : m_tree->rowActions())
            names << action.name;
    return names;
}

void VirtualTreeRowAccessible::doAction(const QString &actionName)
{
    if (!isValid())
        return;
    for (const VirtualTree::RowAction &action : m_tree->rowActions())
        if (action.name == actionName) {
            action.run(m_node);
            return;
        }
}

QStringList VirtualTreeRowAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (isValid())
        for (const VirtualTree::RowAction &action : m_tree->rowActions())
            if (action.name == actionName && !action.key.isEmpty())
                return {action.key};
    return {};
}

void installVirtualTreeAccessibility()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QAccessible::installFactory([](const QString &className, QObject *object) {
            auto *tree = qobject_cast<VirtualTree *>(object);
            return className == QLatin1String(VirtualTree::staticMetaObject.className()) && tree
                       ? static_cast<QAccessibleInterface *>(new VirtualTreeAccessible(tree))
                       : nullptr;
        });
    });
}

}  // namespace quenbo
