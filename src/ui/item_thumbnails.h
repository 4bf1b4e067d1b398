#pragma once

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <string>

namespace quenbo {

class PictureCache;
class TJpegImage;

// The item list's thumbnail of a picture: its reduced decode scaled to side x side. Raises
// PictureError for a picture that is empty or does not decode.
QImage MakeItemThumbnail(const TJpegImage &picture, int side);

// Makes the thumbnails of cached item pictures on threads of its own, so that neither the
// picture workers nor the window's thread spend their time decoding. Each result is handed to
// the ready handler on the thread that made this object: the thumbnail, or a null image where
// the cache file gives none.
class ItemThumbnails : public QObject {
public:
    using ReadyHandler = std::function<void(const std::string &id, const QImage &thumbnail)>;

    // Reads the pictures of cache, which must outlive this object, on at most maxThreads
    // threads.
    ItemThumbnails(const PictureCache &cache, int side, int maxThreads, ReadyHandler ready);
    ~ItemThumbnails() override;
    ItemThumbnails(const ItemThumbnails &) = delete;
    ItemThumbnails &operator=(const ItemThumbnails &) = delete;

    // Queues the thumbnail of the item's cached picture; any thread, until stop().
    void make(const std::string &id);
    // Drops the thumbnails not yet begun, as for rows that have been cleared away.
    void drop();
    // Nothing queued and nothing being made; results may still wait in the event queue.
    bool idle() const;
    // Drops what is queued and waits for what is being made; no handler runs afterwards.
    // Whoever calls make() must have stopped doing so.
    void stop();

private:
    const PictureCache &m_cache;
    const int m_side;
    const ReadyHandler m_ready;
    std::atomic<bool> m_stopped{false};
    QThreadPool m_pool;
};

}  // namespace quenbo
