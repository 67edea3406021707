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
// 640 × 640. Frames are decoded on worker threads and kept in memory keyed by the URL as given,
// least recently used first out once they pass the byte limit. A failure keeps nothing, so the
// next request tries again.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const QImage &)>;

    static constexpr int maximumSide = 640;
    // Far above a normal library: a 640 × 360 poster takes 0.9 MiB, so this holds about 580.
    static constexpr qsizetype defaultByteLimit = qsizetype(512) * 1024 * 1024;

    explicit ThumbnailCache(qsizetype byteLimit = defaultByteLimit, QObject *parent = nullptr);
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
    // is decoded off the main thread. Requests for a URL already being decoded share that work.
    // When `context` is given and destroyed first, `done` is not called.
    void image(const QUrl &video, QObject *context, Done done);

    // Whether a poster is stored, without counting as a use.
    bool contains(const QUrl &video) const { return m_images.contains(video); }
    qsizetype storedBytes() const { return m_images.totalCost(); }
    qsizetype byteLimit() const { return m_images.maxCost(); }

    // Waits for the decoding in flight (benchmarks and shutdown).
    void waitForWorkers() { m_pool.waitForDone(); }

    // The decoding itself, on the calling thread: null when no frame could be taken.
    static QImage decodePoster(const QString &path);

private:
    struct Waiter {
        QPointer<QObject> context;
        bool hasContext;
        Done done;
    };
    void finished(const QUrl &video, const QImage &image);

    QCache<QUrl, QImage> m_images;
    QHash<QUrl, QList<Waiter>> m_inFlight;
    QThreadPool m_pool;
};

} // namespace quintara
