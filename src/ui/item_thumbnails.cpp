#include "ui/item_thumbnails.h"

#include "core/ucommon.h"
#include "pictures/jpeg_image.h"
#include "ui/picture_qt.h"

#include <QThread>

#include <algorithm>

namespace quenbo {

QImage MakeItemThumbnail(const TJpegImage &picture, int side)
{
    const RgbaImage pixels = picture.DecodeReduced(side, side);
    if (pixels.empty())
        throw PictureError("the item picture is empty");
    const QImage scaled =
        toQImage(pixels).scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Qt scales this format by painting, and the painter's engine stays with the image until
    // the image goes. A copy is kept instead, so the engine goes now, on this thread, and the
    // row that keeps the thumbnail frees only its pixels.
    return scaled.copy();
}

ItemThumbnails::ItemThumbnails(const TCommon &common, int side, ReadyHandler ready)
    : FCommon(common)
    , FSide(side)
    , FReady(std::move(ready))
{
    // Decoding keeps pace with the download threads without taking more of the machine.
    FPool.setMaxThreadCount(
        std::min(QThread::idealThreadCount(), int(TCommon::kMaxDownloadThreads)));
}

ItemThumbnails::~ItemThumbnails()
{
    Stop();
}

void ItemThumbnails::Make(const std::string &id)
{
    if (FStopped)
        return;
    FPool.start([this, id] {
        QImage thumbnail;
        try {
            TJpegImage picture;
            if (FCommon.LoadCachedPicture(id, picture))
                thumbnail = MakeItemThumbnail(picture, FSide);
        } catch (const std::exception &) {
            // No thumbnail: the row reads the cache file itself, and shows that it has no
            // picture if that fails too.
        }
        QMetaObject::invokeMethod(
            this,
            [this, id, thumbnail] {
                if (!FStopped)
                    FReady(id, thumbnail);
            },
            Qt::QueuedConnection);
    });
}

void ItemThumbnails::Drop()
{
    FPool.clear();
}

bool ItemThumbnails::Idle() const
{
    // A pool thread stays active while anything is queued.
    return FPool.activeThreadCount() == 0;
}

void ItemThumbnails::Stop()
{
    FStopped = true;
    FPool.clear();
    FPool.waitForDone();
}

}  // namespace quenbo
