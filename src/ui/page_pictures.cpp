#include "ui/page_pictures.h"

#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "pictures/jpeg_image.h"
#include "ui/item_list_model.h"
#include "ui/picture_qt.h"

#include <QThread>
#include <QTimer>

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

PagePictures::PagePictures(TCommon &common, ItemListModel &model, QObject *parent)
    : QObject(parent)
    , m_common(common)
    , m_model(model)
{
    // Decoding keeps pace with the download threads without taking more of the machine.
    m_thumbnails.setMaxThreadCount(
        std::min(QThread::idealThreadCount(), int(TCommon::kMaxDownloadThreads)));
}

PagePictures::~PagePictures()
{
    stop();
}

void PagePictures::start(std::vector<std::vector<TDownPic>> batches)
{
    if (m_stopped)
        return;
    // Both run on a worker's thread; until stop() has joined the workers this object is there.
    const auto refresh = [this](const std::string &id) { makeThumbnail(id); };
    const auto failed = [this](const std::string &id) {
        QMetaObject::invokeMethod(
            this,
            [this, id] {
                if (!m_stopped)
                    m_model.markNoPicture(id);
            },
            Qt::QueuedConnection);
    };
    std::vector<TImgDown *> workers;
    for (std::vector<TDownPic> &batch : batches) {
        auto made = std::make_unique<TImgDown>(m_common, refresh, failed);
        TImgDown *worker = made.get();
        // Registered before its jobs are added; until it is started it cannot end, so the
        // registry keeps it alive while this holds it.
        m_common.AddWorker({made->ThreadId(), std::move(made)});
        for (TDownPic &job : batch)
            worker->AddJob(std::move(job));
        workers.push_back(worker);
    }
    // Making the threads and joining the ended ones waits until the list is back in the event
    // loop, so the new page does not wait for them.
    QTimer::singleShot(0, this, [this, workers = std::move(workers)] {
        if (m_stopped)
            return;
        for (TImgDown *worker : workers)
            worker->Start();
        m_common.ReleaseEndedWorkers();
    });
}

void PagePictures::makeThumbnail(const std::string &id)
{
    if (m_stopped)
        return;
    m_thumbnails.start([this, id] {
        QImage thumbnail;
        try {
            TJpegImage picture;
            if (m_common.Cache.load(id, picture))
                thumbnail = MakeItemThumbnail(picture, kThumbnailSide);
        } catch (const std::exception &) {
            // No thumbnail: the row shows that it has no picture.
        }
        QMetaObject::invokeMethod(
            this,
            [this, id, thumbnail] {
                if (!m_stopped)
                    m_model.setThumbnail(id, thumbnail);
            },
            Qt::QueuedConnection);
    });
}

void PagePictures::drop()
{
    m_thumbnails.clear();
}

void PagePictures::showRows(std::vector<std::string> ids)
{
    if (ids == m_idsInView)
        return;
    m_idsInView = ids;
    m_common.OnScreen.set(std::move(ids));
}

bool PagePictures::idle() const
{
    // A pool thread stays active while anything is queued.
    return m_common.Workers.size() == 0 && m_thumbnails.activeThreadCount() == 0;
}

void PagePictures::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    // The workers go first: once they are stopped and joined, no thumbnail is asked for.
    m_common.ReleaseWorkers();
    m_thumbnails.clear();
    m_thumbnails.waitForDone();
    m_common.OnScreen.set({});
}

}  // namespace quenbo
