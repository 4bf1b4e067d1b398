#pragma once

#include <QComboBox>

namespace quenbo {

// The page list: a drop-down list that reports every closing of its list, also when nothing
// new was chosen, and only after Qt has applied the entry chosen in it. While closed it ignores
// the keys and the wheel that would change its entry without opening it, so the number it
// shows is always the page that was loaded.
class PageComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void hidePopup() override;

signals:
    // The list closed; currentText() is the entry it closed on.
    void closeUp();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};

}  // namespace quenbo
