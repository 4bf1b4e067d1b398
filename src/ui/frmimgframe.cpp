#include "ui/frmimgframe.h"

#include "core/ucommon.h"
#include "pictures/jpeg_image.h"
#include "platform/file_io.h"
#include "ui/picture_box.h"
#include "ui/picture_qt.h"

#include <QPainter>

#include <filesystem>

namespace quenbo {

namespace {

// A cached picture is a downloaded one; anything larger is not read.
constexpr std::uint64_t kMaxPictureFile = 32u << 20;

}  // namespace

Tfrm_imgframe::Tfrm_imgframe(const TCommon &common, QWidget *owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
    , FCommon(common)
{
    setObjectName(QStringLiteral("frm_imgframe"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    img_pic = new PictureBox(this);
    img_pic->setObjectName(QStringLiteral("img_pic"));
    img_pic->setGeometry(1, 1, kPictureSide, kPictureSide);
    img_pic->setAttribute(Qt::WA_TransparentForMouseEvents);
    FormCreate();
    hide();
}

void Tfrm_imgframe::FormCreate()
{
    setFixedSize(kSide, kSide);
}

void Tfrm_imgframe::ShowPicture(const std::string &id)
{
    const std::optional<std::string> file = FCommon.Cache.fileName(id);
    std::error_code error;
    if (!file || !std::filesystem::exists(*file, error))
        return;
    ShownFile shown{id,
                    std::filesystem::file_size(*file, error),
                    std::filesystem::last_write_time(*file, error),
                    {}};
    if (FShown && FShown->Id == shown.Id && FShown->Size == shown.Size &&
        FShown->Time == shown.Time) {
        if (!FShown->Error.empty())
            throw PictureError(FShown->Error);
        return;
    }
    FShown = shown;
    try {
        std::vector<std::uint8_t> bytes;
        if (!readWholeFile(*file, kMaxPictureFile, bytes))
            throw PictureError("cannot read the picture file " + *file);
        TJpegImage picture;
        picture.LoadFromBuffer(bytes);
        const RgbaImage pixels = picture.DecodeTopLeft(kPictureSide, kPictureSide);
        if (pixels.empty())
            throw PictureError("the picture file " + *file + " holds no picture");
        img_pic->setPicture(toQImage(pixels));
    } catch (const PictureError &failure) {
        FShown->Error = failure.what();
        throw;
    }
}

void Tfrm_imgframe::paintEvent(QPaintEvent *)
{
    // The frame is drawn along the window's edge whatever part is repainted; the painter is
    // clipped to that part, so a partial repaint never draws a second frame inside.
    QPainter painter(this);
    painter.setPen(QColor(255, 0, 0));
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace quenbo
