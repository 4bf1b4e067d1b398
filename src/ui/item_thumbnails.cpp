#include "ui/item_thumbnails.h"

#include "core/picture_cache.h"
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

ItemThumbnails::ItemThumbnails(const PictureCache &cache, int side, int maxThreads,
                               ReadyHandler ready)
    : m_cache(cache)
    , m_side(side)
    , m_ready(std::move(ready))
{
    m_pool.setMaxThreadCount(std::min(QThread::idealThreadCount(), maxThreads));
}

ItemThumbnails::~ItemThumbnails()
{
    stop();
}

void ItemThumbnails::make(const std::string &id)
{
    if (m_stopped)
        return;
    m_pool.start([this, id] {
        QImage thumbnail;
        try {
            TJpegImage picture;
            if (m_cache.load(id, picture))
                thumbnail = MakeItemThumbnail(picture, m_side);
        } catch (const std::exception &) {
            // No thumbnail: the row reads the cache file itself, and shows that it has no
            // picture if that fails too.
        }
        QMetaObject::invokeMethod(
            this,
            [this, id, thumbnail] {
                if (!m_stopped)
                    m_ready(id, thumbnail);
            },
            Qt::QueuedConnection);
    });
}

void ItemThumbnails::drop()
{
    m_pool.clear();
}

bool ItemThumbnails::idle() const
{
    // A pool thread stays active while anything is queued.
    return m_pool.activeThreadCount() == 0;
}

void ItemThumbnails::stop()
{
    m_stopped = true;
    m_pool.clear();
    m_pool.waitForDone();
}

}  // namespace quenbo
