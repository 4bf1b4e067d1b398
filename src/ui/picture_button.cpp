#include "ui/picture_button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace quenbo {

PictureButton::PictureButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::setPicture(State state, const QImage &picture)
{
    switch (state) {
    case State::Normal:
        m_normal = picture;
        if (!m_normal.isNull())
            resize(m_normal.size());
        break;
    case State::Hot:
        m_hotPicture = picture;
        break;
    case State::Pressed:
        m_pressed = picture;
        break;
    }
    update();
}

QImage PictureButton::picture(State state) const
{
    switch (state) {
    case State::Normal:
        return m_normal;
    case State::Hot:
        return m_hotPicture;
    case State::Pressed:
        return m_pressed;
    }
    return {};
}

void PictureButton::setBounds(int left, int top, int width, int height)
{
    if (!m_normal.isNull()) {
        width = m_normal.width();
        height = m_normal.height();
    }
    setGeometry(left, top, width, height);
}

QImage PictureButton::shownPicture() const
{
    if (m_normal.isNull())
        return {};
    const QImage &hotOrNormal = m_hot && !m_hotPicture.isNull() ? m_hotPicture : m_normal;
    if (isDown())
        return m_pressed.isNull() ? hotOrNormal : m_pressed;
    return hotOrNormal;
}

QSize PictureButton::sizeHint() const
{
    return m_normal.isNull() ? QSize(75, 23) : m_normal.size();
}

void PictureButton::paintEvent(QPaintEvent *)
{
    const QImage shown = shownPicture();
    if (!shown.isNull()) {
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), shown);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    painter.drawControl(QStyle::CE_PushButton, option);
}

void PictureButton::enterEvent(QEnterEvent *event)
{
    m_hot = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent *event)
{
    m_hot = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace quenbo
