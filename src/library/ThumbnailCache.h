#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QUrl>
#include <functional>

namespace quintara {

// Poster frames of video files: the picture at 1 s (or the key frame before it), upright, at most
// 640 × 640. Frames are decoded by a small fixed set of workers and kept in memory keyed by the
// URL as given, least recently used first out once they pass the byte limit. Work still queued
// when everyone who asked for it has gone is dropped, so a fast scroll through a large library
// decodes what is on screen rather than every tile it passed. A failure keeps nothing, so the
// next request tries again.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const QImage &)>;
    // Takes the poster of a file on a worker thread; a null image when there is none.
    using Decoder = std::function<QImage(const QString &path)>;

    static constexpr int maximumSide = 640;
    // Two workers keep one core free for the interface on a small machine, and each decoder
    // takes two threads of its own: a 4K poster takes about a quarter of a second.
    static constexpr int workerCount = 2;
    static constexpr int decoderThreads = 2;
    // A 640 × 360 poster takes 0.9 MiB, so 128 MiB holds about 145: several screens of library
    // tiles (about twenty show at once) plus the previews, so scrolling back never decodes
    // again, while a library of a few thousand videos (2.6 GiB of posters) cannot make the
    // process grow without bound.
    static constexpr qsizetype defaultByteLimit = qsizetype(128) * 1024 * 1024;

    explicit ThumbnailCache(qsizetype byteLimit = defaultByteLimit, QObject *parent = nullptr);
    ThumbnailCache(qsizetype byteLimit, Decoder decoder, QObject *parent = nullptr);
    ~ThumbnailCache() override;

    // The process's one cache, owned by the application object.
    static ThumbnailCache &shared();

    // Posters reach QML as images of the "poster" image provider: the video's URL, encoded so
    // that no character of a file name can upset the image URL.
    static constexpr char posterProviderId[] = "poster";
    static QUrl posterSource(const QUrl &video);
    // The video of a poster image's id (the part after "image://poster/"); empty if malformed.
    static QUrl videoOfPosterId(const QString &id);

    // Calls `done` on the main thread with the poster, or with a null image when no frame could
    // be taken. A stored poster is handed over at once, before this returns; otherwise the frame
    // is decoded off the main thread. Requests for a URL already queued or being decoded share
    // that work. When `context` is given and destroyed first, `done` is not called, and work
    // that only destroyed contexts still wait for is not started.
    void image(const QUrl &video, QObject *context, Done done);

    // Whether a poster is stored, without counting as a use.
    bool contains(const QUrl &video) const { return m_images.contains(video); }
    qsizetype storedBytes() const { return m_images.totalCost(); }
    qsizetype byteLimit() const { return m_images.maxCost(); }

    // Waits for the decoding in flight (benchmarks and shutdown).
    void waitForWorkers() { m_pool.waitForDone(); }

    // The decoding itself, on the calling thread: null when no frame could be taken. Only
    // MP4 and QuickTime files are opened, and only as local files: anything else, whatever its
    // name, is refused before it is read.
    static QImage decodePoster(const QString &path);

private:
    struct Waiter {
        QPointer<QObject> context;
        bool hasContext;
        Done done;
    };
    void startQueued();
    void finished(const QUrl &video, const QImage &image);

    QCache<QUrl, QImage> m_images;
    // Everyone waiting for a URL, queued or being decoded.
    QHash<QUrl, QList<Waiter>> m_waiters;
    QList<QUrl> m_queue; // not started yet, oldest first
    int m_running = 0;
    Decoder m_decode;
    QThreadPool m_pool;
};

} // namespace quintara
