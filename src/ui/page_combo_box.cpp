#include "ui/page_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWheelEvent>

namespace quenbo {

void PageComboBox::hidePopup()
{
    // Only a list that was open closes; the widget also hides it while being destroyed.
    const bool wasOpen = view() && view()->isVisible();
    QComboBox::hidePopup();
    // A click or Enter in the list closes it before the chosen entry becomes current, so the
    // closing is reported once the event that closed it has been handled.
    if (wasOpen)
        QMetaObject::invokeMethod(this, &PageComboBox::closeUp, Qt::QueuedConnection);
}

void PageComboBox::keyPressEvent(QKeyEvent *event)
{
    // The keys that open the list keep working; those that would step through the entries of
    // the closed list, or search them by typing, do nothing.
    const int key = event->key();
    const bool opens =
        key == Qt::Key_F4 || key == Qt::Key_Space ||
        ((key == Qt::Key_Down || key == Qt::Key_Up) && (event->modifiers() & Qt::AltModifier));
    if (opens)
        QComboBox::keyPressEvent(event);
    else
        event->ignore();
}

void PageComboBox::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

}  // namespace quenbo
