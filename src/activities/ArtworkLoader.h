#pragma once

#include "activities/NowPlaying.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <map>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace quintara {

class WorkQueue;

// Finds a track's album artwork: the player's own artwork address first, else Spotify's oEmbed
// service (for Spotify tracks) or the iTunes Search service. Images are decoded on a work queue,
// never on the main thread. Every failure ends in a null image.
class ArtworkLoader : public QObject {
    Q_OBJECT
public:
    // The web services' addresses; only their hosts (scheme, host, port) are used.
    struct Services {
        QUrl oembed;    // serves "/oembed"
        QUrl webPlayer; // Spotify's web player, whose track pages are under "/track/"
        QUrl search;    // serves "/search"
    };
    static Services publicServices();

    using Done = std::function<void(const QImage &image)>;

    ArtworkLoader(QNetworkAccessManager &network, WorkQueue &decoding, Services services,
                  QObject *parent = nullptr);

    // Fetches the artwork of `track`, known by `key`, and calls `done` on the main thread
    // (unless `context` is gone). `stillWanted` is asked before the image itself is downloaded.
    // While a fetch for `key` is under way, another request for it waits for that one.
    void load(const QString &key, const NowPlaying &track, std::function<bool()> stillWanted,
              QObject *context, Done done);

private:
    struct Fetch {
        NowPlaying track;
        std::function<bool()> stillWanted;
        std::vector<std::pair<QPointer<QObject>, Done>> waiting;
    };

    void lookUp(const QString &key);
    void download(const QString &key, const QUrl &image, bool fallBack);
    void decode(const QString &key, const QByteArray &data, bool fallBack);
    void finish(const QString &key, const QImage &image);
    // GETs `url` and hands the body (empty on any failure) to `then`.
    void get(const QUrl &url, std::function<void(const QByteArray &)> then);

    QNetworkAccessManager &m_network;
    WorkQueue &m_decoding;
    Services m_services;
    std::map<QString, Fetch> m_fetches;
};

} // namespace quintara
