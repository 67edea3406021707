#pragma once

#include <QQuickAsyncImageProvider>

namespace quintara {

class ThumbnailCache;

// Posters for QML: `Image { source: model.poster }` shows the poster frame the thumbnail cache
// takes of a library video ("image://poster/..."), scaled down to cover the size asked for.
// A video without a poster gives an empty image, quietly.
class PosterImageProvider final : public QQuickAsyncImageProvider {
public:
    // `cache` is not owned, must outlive the provider's engine and lives on the main thread.
    explicit PosterImageProvider(ThumbnailCache &cache) : m_cache(cache) {}

    QQuickImageResponse *requestImageResponse(const QString &id,
                                              const QSize &requestedSize) override;

private:
    ThumbnailCache &m_cache;
};

} // namespace quintara
