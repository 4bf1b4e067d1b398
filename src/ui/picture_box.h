#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace quenbo {

class TGifImage;

// A picture control: draws its picture with its transparency at the top-left corner, or
// stretched over the whole control, and plays the frames of a GIF animation. Nothing is drawn
// without a picture, so the parent's background shows.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setStretch(bool stretch);
    // Shows a still picture and stops any animation.
    void setPicture(const QImage &picture);
    // Shows the first frame and plays the rest: a loop count of 0 repeats without end, a GIF
    // without a looping extension plays once, and a count of n plays once and then n times more.
    void setAnimation(const TGifImage &gif);

    QImage currentPicture() const;
    bool isAnimating() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showNextFrame();
    void scheduleFrame();

    std::vector<QImage> m_frames;
    std::vector<int> m_delaysMs;
    QTimer m_timer;
    std::size_t m_frame = 0;
    int m_loopsLeft = 0;  // further plays after the current one; -1 without end
    bool m_stretch = false;
};

}  // namespace quenbo
