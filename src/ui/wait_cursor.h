#pragma once

#include <QGuiApplication>

namespace quenbo {

// Shows the wait cursor over the application while a blocking query runs on the GUI thread.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

}  // namespace quenbo
