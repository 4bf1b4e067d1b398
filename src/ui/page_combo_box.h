#pragma once

#include <QAbstractItemView>
#include <QComboBox>

namespace quenbo {

// A drop-down list that reports every closing of its list, also when nothing new was chosen,
// as the page list needs.
class PageComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void hidePopup() override
    {
        // Only a list that was open closes; the widget also hides it while being destroyed.
        const bool wasOpen = view() && view()->isVisible();
        QComboBox::hidePopup();
        if (wasOpen)
            emit closeUp();
    }

signals:
    void closeUp();
};

}  // namespace quenbo
