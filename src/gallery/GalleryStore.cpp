#include "gallery/GalleryStore.h"

#include <QJSEngine>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QPointer>

namespace quintara {

namespace {

// The system's URL loader gives up after a minute without data; so do we.
constexpr int idleTimeoutMs = 60000;

GalleryStore *qmlInstance = nullptr;

bool succeeded(const QNetworkReply &reply)
{
    if (reply.error() != QNetworkReply::NoError)
        return false;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return !status.isValid() || (status.toInt() >= 200 && status.toInt() <= 299);
}

} // namespace

GalleryStore::GalleryStore(GalleryEndpoints endpoints, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_endpoints(std::move(endpoints)), m_scheduler(scheduler)
{}

GalleryStore::~GalleryStore()
{
    // Stop the downloads before the network they use goes.
    for (const Running &running : std::as_const(m_running))
        delete running.download;
    if (qmlInstance == this)
        qmlInstance = nullptr;
}

void GalleryStore::setQmlInstance(GalleryStore *store)
{
    qmlInstance = store;
}

GalleryStore *GalleryStore::create(QQmlEngine *, QJSEngine *)
{
    Q_ASSERT(qmlInstance);
    QJSEngine::setObjectOwnership(qmlInstance, QJSEngine::CppOwnership);
    return qmlInstance;
}

QVariantMap GalleryStore::progressMap() const
{
    QVariantMap map;
    for (auto it = m_progress.cbegin(); it != m_progress.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

GalleryStore::Content GalleryStore::content() const
{
    if (m_loading && wallpapers().isEmpty())
        return Content::spinner;
    return m_error.isEmpty() ? Content::grid : Content::unavailable;
}

void GalleryStore::load()
{
    if (!wallpapers().isEmpty() || m_loading)
        return;
    setLoading(true);
    setError(QString());
    QNetworkRequest request(m_endpoints.catalog);
    request.setTransferTimeout(idleTimeoutMs);
    QNetworkReply *reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { catalogArrived(reply); });
}

void GalleryStore::catalogArrived(QNetworkReply *reply)
{
    reply->deleteLater();
    const auto decoded =
        succeeded(*reply) ? decodeCatalog(reply->readAll(), m_endpoints.catalog) : std::nullopt;
    if (decoded)
        m_model.setWallpapers(*decoded);
    else
        setError(QString::fromUtf16(gallery_text::loadError));
    setLoading(false);
    emit loadFinished();
}

void GalleryStore::whenLoaded(QObject *context, std::function<void()> then)
{
    load();
    if (!m_loading) {
        then();
        return;
    }
    connect(this, &GalleryStore::loadFinished, context, std::move(then), Qt::SingleShotConnection);
}

void GalleryStore::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    emit isLoadingChanged();
    emit contentChanged();
}

void GalleryStore::setError(const QString &error)
{
    if (m_error == error)
        return;
    m_error = error;
    emit errorChanged();
    emit contentChanged();
}

void GalleryStore::download(const GalleryWallpaper &wallpaper, const QUrl &folder,
                            Completion completion)
{
    const QString id = wallpaper.id;
    if (auto running = m_running.find(id); running != m_running.end()) {
        running->completions.append(std::move(completion));
        return;
    }
    auto *download = new GalleryDownload(m_network, wallpaper.video,
                                         wallpaper.installedFile(folder).toLocalFile(), this);
    download->onProgress = [this, id](qint64 received, qint64 total) {
        downloadProgressed(id, received, total);
    };
    download->onFinished = [this, id](const Result &result) { finish(id, result); };
    m_running.insert(id, Running{download, wallpaper, {std::move(completion)}});
    m_progress.insert(id, 0.0);
    publishProgress();
}

void GalleryStore::downloadProgressed(const QString &id, qint64 received, qint64 total)
{
    const auto running = m_running.constFind(id);
    if (running == m_running.cend())
        return;
    const qint64 expected = total >= 1 ? total : running->wallpaper.bytes;
    m_pendingProgress.insert(
        id, std::min(1.0, double(received) / double(std::max<qint64>(1, expected))));
    if (!m_progressPublish.isPending())
        m_progressPublish =
            m_scheduler.after(progressInterval, this, [this] { publishProgress(); });
}

void GalleryStore::publishProgress()
{
    m_progressPublish.cancel();
    for (auto it = m_pendingProgress.cbegin(); it != m_pendingProgress.cend(); ++it)
        if (m_progress.contains(it.key()))
            m_progress.insert(it.key(), it.value());
    m_pendingProgress.clear();
    m_model.setProgress(m_progress);
    emit progressChanged();
}

void GalleryStore::finish(const QString &id, const Result &result)
{
    const auto running = m_running.find(id);
    if (running == m_running.end())
        return;
    const QList<Completion> completions = running->completions;
    running->download->deleteLater();
    m_running.erase(running);
    m_progress.remove(id);
    m_pendingProgress.remove(id);
    publishProgress();
    // A completion may start another download of the same entry; it starts afresh.
    QPointer<GalleryStore> alive(this);
    for (const Completion &completion : completions)
        if (alive && completion)
            completion(result);
}

void GalleryStore::recordDownload(const GalleryWallpaper &wallpaper)
{
    if (m_endpoints.stats.isEmpty())
        return;
    QNetworkRequest request(appendPathComponent(m_endpoints.stats, QStringLiteral("download")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(idleTimeoutMs);
    const QJsonObject body{{QStringLiteral("ids"), QJsonArray{wallpaper.id}}};
    QNetworkReply *reply =
        m_network.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    // Fire and forget: the answer, good or bad, is not read.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

} // namespace quintara
