#pragma once

#include "ui/virtual_tree.h"

#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QPointer>

namespace quenbo {

// What assistive technology sees of a VirtualTree: a list (or a tree) whose children are the
// visible rows, each read by the tree's row text handler and offering the tree's row actions.
class VirtualTreeAccessible : public QAccessibleWidget {
public:
    explicit VirtualTreeAccessible(VirtualTree *tree);

    // The role the tree was given when it was asked, not when this interface was made.
    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *focusChild() const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    VirtualTree *tree() const;
};

// One row of a VirtualTree. Made and registered by VirtualTree::accessibleRow, which keeps it
// until the rows change; the tree may be gone by then, which makes the row invalid.
class VirtualTreeRowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    VirtualTreeRowAccessible(VirtualTree *tree, VirtualTree::Node *node);

    bool isValid() const override;
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    VirtualTree::Node *node() const { return m_node; }

private:
    QPointer<VirtualTree> m_tree;
    VirtualTree::Node *m_node;
};

// Makes VirtualTree controls answer assistive technology through the classes above. Once per
// application; any thread that has the application.
void installVirtualTreeAccessibility();

}  // namespace quenbo
