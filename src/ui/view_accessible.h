#pragma once

#include <QAbstractItemView>
#include <QString>

#include <functional>
#include <vector>

namespace quenbo {

// A command that assistive technology may run on a row of a view: its name, the key that runs
// it on the current row (may be empty), and what it does with the row's index. It may change
// the model, its own row included.
struct RowAction {
    QString name;
    QString key;
    std::function<void(const QModelIndex &row)> run;
};

// Makes view answer assistive technology as a tree (a QTreeView) or a list (any other view) of
// the rows it shows, top to bottom, each named by the model's Qt::AccessibleTextRole, with its
// state (selected and focused: the current row; expanded or collapsed in a tree; offscreen or
// invisible), its place on screen and actions as its commands; and tells assistive technology
// which row has the focus whenever the current row changes while the view has the focus.
// Call after the view's model is set; a new model, or new actions, need a new call. The view
// owns what this makes. GUI thread only.
void setRowAccessibility(QAbstractItemView *view, std::vector<RowAction> actions);

}  // namespace quenbo
