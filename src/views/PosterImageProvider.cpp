#include "views/PosterImageProvider.h"

#include "library/ThumbnailCache.h"

#include <QMutex>
#include <QPointer>
#include <algorithm>
#include <memory>

namespace quintara {

namespace {

// Covers `requested` (an unset side does not count), never enlarging.
QImage fitted(const QImage &image, const QSize &requested)
{
    if (image.isNull())
        return image;
    const double scale =
        std::max(requested.width() > 0 ? double(requested.width()) / image.width() : 0.0,
                 requested.height() > 0 ? double(requested.height()) / image.height() : 0.0);
    if (scale <= 0 || scale >= 1)
        return image;
    return image.scaled(QSize(qRound(image.width() * scale), qRound(image.height() * scale)),
                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Asked for on the image loader's thread, answered on the main thread, where the cache lives.
// The response may be dropped first (the image went away): the answer then goes nowhere.
class PosterResponse final : public QQuickImageResponse {
public:
    struct Link {
        QMutex lock;
        PosterResponse *response = nullptr;
    };

    PosterResponse(ThumbnailCache &cache, const QUrl &video, const QSize &requested)
        : m_link(std::make_shared<Link>()), m_interest(new QObject)
    {
        m_link->response = this;
        // Lives where the cache does and goes with the response: queued work for an image that
        // went away (a tile scrolled past) is then never started.
        m_interest->moveToThread(cache.thread());
        // Queued even from the main thread: a stored poster would otherwise finish the
        // response before anyone listens.
        QMetaObject::invokeMethod(
            &cache,
            [&cache, video, requested, link = m_link, interest = QPointer<QObject>(m_interest)] {
                {
                    QMutexLocker locker(&link->lock);
                    if (!link->response)
                        return; // dropped before it was asked for
                }
                cache.image(video, interest, [requested, link](const QImage &image) {
                    const QImage poster = fitted(image, requested);
                    QMutexLocker locker(&link->lock);
                    if (link->response)
                        link->response->finish(poster);
                });
            },
            Qt::QueuedConnection);
    }
    ~PosterResponse() override
    {
        QMutexLocker locker(&m_link->lock);
        m_link->response = nullptr;
        m_interest->deleteLater();
    }

    QQuickTextureFactory *textureFactory() const override
    {
        QMutexLocker locker(&m_link->lock);
        return QQuickTextureFactory::textureFactoryForImage(m_image);
    }

private:
    void finish(const QImage &poster)
    {
        m_image = poster;
        emit finished();
    }

    std::shared_ptr<Link> m_link;
    QObject *m_interest; // deleted later, on the cache's thread
    QImage m_image;
};

} // namespace

QQuickImageResponse *PosterImageProvider::requestImageResponse(const QString &id,
                                                               const QSize &requestedSize)
{
    return new PosterResponse(m_cache, ThumbnailCache::videoOfPosterId(id), requestedSize);
}

} // namespace quintara
