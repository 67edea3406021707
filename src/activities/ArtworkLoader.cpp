#include "activities/ArtworkLoader.h"

#include "platform/WorkQueue.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>

namespace quintara {

namespace {

constexpr char spotifyTrackPrefix[] = "spotify:track:";
constexpr int transferTimeoutMs = 60000;

QUrl serviceUrl(const QUrl &host, const QString &path, const QUrlQuery &query)
{
    QUrl url = host.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    url.setPath(path);
    url.setQuery(query);
    return url;
}

QJsonObject jsonObject(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}

} // namespace

ArtworkLoader::Services ArtworkLoader::publicServices()
{
    return {QUrl(QStringLiteral("https://open.spotify.com")),
            QUrl(QStringLiteral("https://open.spotify.com")),
            QUrl(QStringLiteral("https://itunes.apple.com"))};
}

ArtworkLoader::ArtworkLoader(QNetworkAccessManager &network, WorkQueue &decoding, Services services,
                             QObject *parent)
    : QObject(parent), m_network(network), m_decoding(decoding), m_services(std::move(services))
{}

void ArtworkLoader::load(const QString &key, const NowPlaying &track,
                         std::function<bool()> stillWanted, QObject *context, Done done)
{
    auto [entry, fresh] = m_fetches.try_emplace(key);
    Fetch &fetch = entry->second;
    fetch.waiting.emplace_back(context, std::move(done));
    if (!fresh)
        return;
    fetch.track = track;
    fetch.stillWanted = std::move(stillWanted);

    const QUrl own(track.artUrl.value_or(QString()));
    if (own.isLocalFile() || own.scheme() == QLatin1String("http") ||
        own.scheme() == QLatin1String("https"))
        download(key, own, true);
    else
        lookUp(key);
}

void ArtworkLoader::lookUp(const QString &key)
{
    const auto entry = m_fetches.find(key);
    if (entry == m_fetches.end())
        return;
    const NowPlaying track = entry->second.track;
    auto found = [this, key](const QString &address) {
        auto fetch = m_fetches.find(key);
        if (address.isEmpty() || fetch == m_fetches.end() || !fetch->second.stillWanted())
            finish(key, {});
        else
            download(key, QUrl(address), false);
    };

    if (track.app == MusicApp::spotify && track.trackID &&
        track.trackID->startsWith(QLatin1String(spotifyTrackPrefix))) {
        const QString id = track.trackID->mid(int(std::size(spotifyTrackPrefix)) - 1);
        const QUrl page = serviceUrl(m_services.webPlayer, QStringLiteral("/track/") + id, {});
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("url"), page.toString(QUrl::FullyEncoded));
        get(serviceUrl(m_services.oembed, QStringLiteral("/oembed"), query),
            [found](const QByteArray &body) {
                found(jsonObject(body).value(QLatin1String("thumbnail_url")).toString());
            });
        return;
    }
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("term"),
                       track.artist + QLatin1Char(' ') + track.album.value_or(track.title));
    query.addQueryItem(QStringLiteral("entity"), QStringLiteral("album"));
    query.addQueryItem(QStringLiteral("limit"), QStringLiteral("1"));
    get(serviceUrl(m_services.search, QStringLiteral("/search"), query),
        [found](const QByteArray &body) {
            const QJsonArray results = jsonObject(body).value(QLatin1String("results")).toArray();
            QString address =
                results.first().toObject().value(QLatin1String("artworkUrl100")).toString();
            found(address.replace(QLatin1String("100x100"), QLatin1String("600x600")));
        });
}

void ArtworkLoader::download(const QString &key, const QUrl &image, bool fallBack)
{
    if (image.isLocalFile()) {
        const QString path = image.toLocalFile();
        m_decoding.run<QImage>(
            [path] {
                QFile file(path);
                return file.open(QIODevice::ReadOnly) ? QImage::fromData(file.readAll()) : QImage();
            },
            this,
            [this, key, fallBack](QImage decoded) {
                if (decoded.isNull() && fallBack)
                    lookUp(key);
                else
                    finish(key, decoded);
            });
        return;
    }
    get(image, [this, key, fallBack](const QByteArray &body) { decode(key, body, fallBack); });
}

void ArtworkLoader::decode(const QString &key, const QByteArray &data, bool fallBack)
{
    m_decoding.run<QImage>([data] { return QImage::fromData(data); }, this,
                           [this, key, fallBack](QImage decoded) {
                               if (decoded.isNull() && fallBack)
                                   lookUp(key);
                               else
                                   finish(key, decoded);
                           });
}

void ArtworkLoader::finish(const QString &key, const QImage &image)
{
    auto node = m_fetches.extract(key);
    if (node.empty())
        return;
    for (const auto &[context, done] : node.mapped().waiting)
        if (context)
            done(image);
}

void ArtworkLoader::get(const QUrl &url, std::function<void(const QByteArray &)> then)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply *reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this, [reply, then = std::move(then)] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && (status == 0 || status < 300);
        then(ok ? reply->readAll() : QByteArray());
    });
}

} // namespace quintara
