#pragma once

#include "core/uTypeData.h"
#include "ui/item_thumbnails.h"

#include <QObject>

#include <string>
#include <vector>

namespace quenbo {

class ItemListModel;
class TCommon;

// Runs the picture downloads of the page the item list shows: one download worker per batch
// of the page (the core object's registry and download slots bound how many run), the rows in
// view fetched first, and each picture's thumbnail made off this thread and handed to the
// model as a change of its row; a picture that will not come marks its row as having none.
// GUI thread only; the workers and the thumbnail threads report back through its event loop.
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
    TCommon &m_common;
    ItemListModel &m_model;
    ItemThumbnails m_thumbnails;
    std::vector<std::string> m_idsInView;  // as last handed to the core object's OnScreen
    bool m_stopped = false;
};

}  // namespace quenbo
