#pragma once

#include "core/uTypeData.h"

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <string>
#include <vector>

namespace quenbo {

class ItemListModel;
class TCommon;
class TJpegImage;

// The item list's thumbnail of a picture: its reduced decode scaled to side x side. Raises
// PictureError for a picture that is empty or does not decode.
QImage MakeItemThumbnail(const TJpegImage &picture, int side);

// Runs the picture downloads of the page the item list shows: one download worker per batch
// of the page (the core object's registry and download slots bound how many run), the rows in
// view fetched first, and each picture's thumbnail made on threads of its own and handed to
// the model as a change of its row; a picture that will not come, or gives no thumbnail,
// marks its row as having none. GUI thread only; the workers and the thumbnail threads report
// back through its event loop.
class PagePictures : public QObject {
public:
    static constexpr int kThumbnailSide = 80;

    // common and model must outlive this object.
    PagePictures(TCommon &common, ItemListModel &model, QObject *parent = nullptr);
    // Stops the workers and the thumbnail threads.
    ~PagePictures() override;
    PagePictures(const PagePictures &) = delete;
    PagePictures &operator=(const PagePictures &) = delete;

    // Fetches the pictures of a page's batches, each batch by a worker of its own. The workers
    // start once the event loop runs again, so that the page is shown first.
    void start(std::vector<std::vector<TDownPic>> batches);
    // Drops the thumbnails not yet begun, for rows that have been cleared away.
    void drop();
    // The ids of the rows in view, top to bottom: their pictures come first.
    void showRows(std::vector<std::string> ids);
    // No worker registered and no thumbnail being made; results may still wait in the event
    // queue.
    bool idle() const;
    // Stops every worker and waits for the thumbnail threads; nothing reaches the model
    // afterwards. Runs once; also from the destructor.
    void stop();

private:
    // Queues the thumbnail of the item's cached picture; any thread, until stop().
    void makeThumbnail(const std::string &id);

    TCommon &m_common;
    ItemListModel &m_model;
    std::vector<std::string> m_idsInView;  // as last handed to the core object's OnScreen
    std::atomic<bool> m_stopped{false};
    QThreadPool m_thumbnails;
};

}  // namespace quenbo
