#include "ui/view_accessible.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>
#include <QWindow>

#include <algorithm>
#include <mutex>
#include <utility>

namespace quenbo {

namespace {

// A view's rows as assistive technology sees them and the commands they offer; a child of the
// view. Each row's interface is made on first use and kept, registered with QAccessible, until
// rows are removed or the model is reset, so that none outlives its row.
class RowAccessibility : public QObject {
    Q_OBJECT

public:
    RowAccessibility(QAbstractItemView *view, std::vector<RowAction> actions);
    ~RowAccessibility() override { dropRows(); }

    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(parent()); }
    const std::vector<RowAction> &actions() const { return m_actions; }

    // The rows the view shows, top to bottom.
    std::vector<QModelIndex> shownRows() const;

    // The interface of row; null for an invalid index.
    QAccessibleInterface *rowInterface(const QModelIndex &row);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool hidden(const QModelIndex &row) const;
    QModelIndex firstShown(QModelIndex row) const;
    QModelIndex nextRow(const QModelIndex &row) const;
    void dropRows();
    void announceFocus();

    std::vector<RowAction> m_actions;
    std::vector<std::pair<QPersistentModelIndex, QAccessible::Id>> m_rows;
};

RowAccessibility *rowAccessibility(const QAbstractItemView *view)
{
    return view ? view->findChild<RowAccessibility *>(QString(), Qt::FindDirectChildrenOnly)
                : nullptr;
}

bool isTree(const QAbstractItemView *view)
{
    return qobject_cast<const QTreeView *>(view) != nullptr;
}

// One row of a view.
class RowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowAccessible(RowAccessibility *rows, const QModelIndex &row)
        : m_rows(rows)
        , m_row(row)
    {
    }

    const QPersistentModelIndex &row() const { return m_row; }

    bool isValid() const override { return m_rows && m_row.isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return isValid() ? view()->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return m_rows ? QAccessible::queryAccessibleInterface(view()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return {};
        return m_row.data(Qt::AccessibleTextRole).toString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect row = view()->visualRect(m_row);
        return QRect(view()->viewport()->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override
    {
        return m_rows && isTree(view()) ? QAccessible::TreeItem : QAccessible::ListItem;
    }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    QAbstractItemView *view() const { return m_rows->view(); }

    QPointer<RowAccessibility> m_rows;
    QPersistentModelIndex m_row;
};

QAccessible::State RowAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    QAbstractItemView *list = view();
    state.selectable = true;
    state.focusable = true;
    state.selected = list->currentIndex().siblingAtColumn(0) == m_row;
    state.focused = state.selected && list->hasFocus();
    const QRect row = list->visualRect(m_row);
    state.invisible = row.isEmpty();
    state.offscreen = !list->viewport()->rect().intersects(row);
    if (const auto *tree = qobject_cast<const QTreeView *>(list)) {
        state.expandable = m_row.model()->hasChildren(m_row);
        state.expanded = tree->isExpanded(m_row);
        state.collapsed = state.expandable && !state.expanded;
    }
    return state;
}

QStringList RowAccessible::actionNames() const
{
    QStringList names;
    if (isValid())
        for (const RowAction &action : m_rows->actions())
            names << action.name;
    return names;
}

void RowAccessible::doAction(const QString &actionName)
{
    if (!isValid())
        return;
    for (const RowAction &action : m_rows->actions())
        if (action.name == actionName) {
            // The command may remove this row and with it this interface: nothing of it is
            // used once the command runs.
            const auto run = action.run;
            run(QModelIndex(m_row));
            return;
        }
}

QStringList RowAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (isValid())
        for (const RowAction &action : m_rows->actions())
            if (action.name == actionName && !action.key.isEmpty())
                return {action.key};
    return {};
}

// The view itself: a tree or a list whose children are the rows it shows.
class ViewAccessible : public QAccessibleWidget {
public:
    explicit ViewAccessible(QAbstractItemView *view)
        : QAccessibleWidget(view, isTree(view) ? QAccessible::Tree : QAccessible::List)
    {
    }

    int childCount() const override
    {
        const RowAccessibility *rows = this->rows();
        return rows ? int(rows->shownRows().size()) : 0;
    }
    QAccessibleInterface *child(int index) const override
    {
        RowAccessibility *rows = this->rows();
        const std::vector<QModelIndex> shown =
            rows ? rows->shownRows() : std::vector<QModelIndex>();
        return index >= 0 && index < int(shown.size()) ? rows->rowInterface(shown[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *row = dynamic_cast<const RowAccessible *>(child);
        const RowAccessibility *rows = this->rows();
        if (!row || !rows)
            return -1;
        const std::vector<QModelIndex> shown = rows->shownRows();
        const auto found = std::find(shown.begin(), shown.end(), row->row());
        return found == shown.end() ? -1 : int(found - shown.begin());
    }
    QAccessibleInterface *focusChild() const override
    {
        RowAccessibility *rows = this->rows();
        return rows && view()->hasFocus() ? rows->rowInterface(view()->currentIndex()) : nullptr;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        RowAccessibility *rows = this->rows();
        const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!rows || !view()->viewport()->rect().contains(local))
            return nullptr;
        return rows->rowInterface(view()->indexAt(local));
    }

private:
    QAbstractItemView *view() const { return static_cast<QAbstractItemView *>(widget()); }
    RowAccessibility *rows() const { return rowAccessibility(view()); }
};

RowAccessibility::RowAccessibility(QAbstractItemView *view, std::vector<RowAction> actions)
    : QObject(view)
    , m_actions(std::move(actions))
{
    if (QAbstractItemModel *model = view->model()) {
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                &RowAccessibility::dropRows);
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &RowAccessibility::dropRows);
    }
    if (QItemSelectionModel *selection = view->selectionModel())
        connect(selection, &QItemSelectionModel::currentChanged, this,
                &RowAccessibility::announceFocus);
    view->installEventFilter(this);
}

bool RowAccessibility::hidden(const QModelIndex &row) const
{
    if (const auto *tree = qobject_cast<const QTreeView *>(view()))
        return tree->isRowHidden(row.row(), row.parent());
    if (const auto *list = qobject_cast<const QListView *>(view()))
        return list->isRowHidden(row.row());
    return false;
}

QModelIndex RowAccessibility::firstShown(QModelIndex row) const
{
    while (row.isValid() && hidden(row))
        row = row.siblingAtRow(row.row() + 1);
    return row;
}

std::vector<QModelIndex> RowAccessibility::shownRows() const
{
    std::vector<QModelIndex> rows;
    const QAbstractItemView *list = view();
    if (list->model())
        for (QModelIndex row = firstShown(list->model()->index(0, 0, list->rootIndex()));
             row.isValid(); row = nextRow(row))
            rows.push_back(row);
    return rows;
}

QModelIndex RowAccessibility::nextRow(const QModelIndex &row) const
{
    // A tree goes into an open branch, else on to the next sibling of the row or of its
    // nearest ancestor that has one. The view's own layout may still be pending.
    const auto *tree = qobject_cast<const QTreeView *>(view());
    if (tree && tree->isExpanded(row))
        if (const QModelIndex child = firstShown(row.model()->index(0, 0, row)); child.isValid())
            return child;
    for (QModelIndex at = row; at.isValid() && at != view()->rootIndex(); at = at.parent()) {
        if (const QModelIndex next = firstShown(at.siblingAtRow(at.row() + 1)); next.isValid())
            return next;
        if (!tree)
            break;
    }
    return {};
}

QAccessibleInterface *RowAccessibility::rowInterface(const QModelIndex &index)
{
    if (!index.isValid())
        return nullptr;
    const QModelIndex row = index.siblingAtColumn(0);
    const auto known = std::find_if(m_rows.begin(), m_rows.end(),
                                    [&row](const auto &entry) { return entry.first == row; });
    if (known != m_rows.end())
        return QAccessible::accessibleInterface(known->second);
    auto *face = new RowAccessible(this, row);
    m_rows.emplace_back(row, QAccessible::registerAccessibleInterface(face));
    return face;
}

void RowAccessibility::dropRows()
{
    for (const auto &[row, id] : m_rows)
        QAccessible::deleteAccessibleInterface(id);
    m_rows.clear();
}

void RowAccessibility::announceFocus()
{
    if (!QAccessible::isActive() || !view()->hasFocus())
        return;
    if (QAccessibleInterface *row = rowInterface(view()->currentIndex())) {
        QAccessibleEvent event(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

bool RowAccessibility::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::FocusIn)
        announceFocus();
    return false;
}

QAccessibleInterface *makeViewAccessible(const QString &, QObject *object)
{
    auto *view = qobject_cast<QAbstractItemView *>(object);
    return rowAccessibility(view) ? new ViewAccessible(view) : nullptr;
}

}  // namespace

void setRowAccessibility(QAbstractItemView *view, std::vector<RowAction> actions)
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(makeViewAccessible); });
    delete rowAccessibility(view);
    new RowAccessibility(view, std::move(actions));
    // Qt makes and keeps an interface of its own for a view as soon as anything about it is
    // told, its accessible name at its creation for one: that one goes.
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(view);
    if (face && !dynamic_cast<ViewAccessible *>(face))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

}  // namespace quenbo

#include "view_accessible.moc"
