#include "ui/page_pictures.h"

#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "ui/item_list_model.h"

#include <QTimer>

namespace quenbo {

PagePictures::PagePictures(TCommon &common, ItemListModel &model, QObject *parent)
    : QObject(parent)
    , m_common(common)
    , m_model(model)
    // Decoding keeps pace with the download threads without taking more of the machine.
    , m_thumbnails(common.Cache, kThumbnailSide, int(TCommon::kMaxDownloadThreads),
                   [this](const std::string &id, const QImage &thumbnail) {
                       m_model.setThumbnail(id, thumbnail);
                   })
{
}

PagePictures::~PagePictures()
{
    stop();
}

void PagePictures::start(std::vector<std::vector<TDownPic>> batches)
{
    if (m_stopped)
        return;
    // Runs on a worker's thread; until stop() has joined the workers this object is there.
    const auto refresh = [this](const std::string &id) { m_thumbnails.make(id); };
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

void PagePictures::drop()
{
    m_thumbnails.drop();
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
    return m_common.Workers.size() == 0 && m_thumbnails.idle();
}

void PagePictures::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    // The workers go first: once they are stopped and joined, no thumbnail is asked for.
    m_common.ReleaseWorkers();
    m_thumbnails.stop();
    m_common.OnScreen.set({});
}

}  // namespace quenbo
