#pragma once

#include <QAbstractButton>
#include <QImage>

namespace quenbo {

// A button drawn from three state pictures and no caption: the normal picture, the hot picture
// while the mouse is over it and the pressed picture while it is held down, each falling back
// to the picture of the state below it. Without a normal picture it is a plain button face.
// It never takes the keyboard focus.
class PictureButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class State { Normal, Hot, Pressed };

    explicit PictureButton(QWidget *parent = nullptr);

    void setPicture(State state, const QImage &picture);
    QImage picture(State state) const;
    // Sets the bounds; with a normal picture the button takes that picture's size instead.
    void setBounds(int left, int top, int width, int height);
    bool isHot() const { return m_hot; }
    // The picture drawn now; null while the plain face is drawn.
    QImage shownPicture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QImage m_normal;
    QImage m_hotPicture;
    QImage m_pressed;
    bool m_hot = false;
};

}  // namespace quenbo
