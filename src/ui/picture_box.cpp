#include "ui/picture_box.h"

#include "pictures/gif_image.h"
#include "ui/picture_qt.h"

#include <QPainter>

namespace quenbo {

namespace {

// Frames asking for less are shown this long, as browsers do, so a GIF without delays does
// not spin.
constexpr int kMinFrameDelayMs = 20;
constexpr int kDefaultFrameDelayMs = 100;

}  // namespace

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PictureBox::showNextFrame);
}

void PictureBox::setStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void PictureBox::setPicture(const QImage &picture)
{
    m_timer.stop();
    m_frames.clear();
    m_delaysMs.clear();
    if (!picture.isNull()) {
        m_frames.push_back(picture);
        m_delaysMs.push_back(0);
    }
    m_frame = 0;
    update();
}

void PictureBox::setAnimation(const TGifImage &gif)
{
    setPicture({});
    for (const GifFrame &frame : gif.Frames()) {
        m_frames.push_back(toQImage(frame.image));
        m_delaysMs.push_back(frame.delayMs < kMinFrameDelayMs ? kDefaultFrameDelayMs
                                                              : frame.delayMs);
    }
    if (gif.LoopCount() == 0)
        m_loopsLeft = -1;
    else if (gif.LoopCount() == TGifImage::kNoLoopExtension)
        m_loopsLeft = 0;
    else
        m_loopsLeft = gif.LoopCount();
    scheduleFrame();
    update();
}

QImage PictureBox::currentPicture() const
{
    return m_frames.empty() ? QImage() : m_frames[m_frame];
}

void PictureBox::scheduleFrame()
{
    if (m_frames.size() > 1)
        m_timer.start(m_delaysMs[m_frame]);
}

void PictureBox::showNextFrame()
{
    if (m_frame + 1 < m_frames.size()) {
        ++m_frame;
    } else {
        if (m_loopsLeft == 0)
            return;  // the last frame stays
        if (m_loopsLeft > 0)
            --m_loopsLeft;
        m_frame = 0;
    }
    update();
    if (m_frame + 1 < m_frames.size() || m_loopsLeft != 0)
        scheduleFrame();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (m_frames.empty())
        return;
    QPainter painter(this);
    const QImage &picture = m_frames[m_frame];
    if (m_stretch)
        painter.drawImage(rect(), picture);
    else
        painter.drawImage(QPoint(0, 0), picture);
}

}  // namespace quenbo
