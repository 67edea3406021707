#pragma once

#include "gallery/GalleryDownload.h"
#include "gallery/GalleryEndpoints.h"
#include "gallery/GalleryWallpaper.h"
#include "gallery/GalleryWallpaperModel.h"
#include "platform/Scheduler.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <functional>

class QQmlEngine;
class QJSEngine;

namespace quintara {

// The online gallery: its catalog, fetched once per run, and the downloads of its videos into
// the library folder, with their progress. One store lives as long as the application.
class GalleryStore : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(quintara::GalleryWallpaperModel *wallpapers READ model CONSTANT)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(QVariantMap progress READ progressMap NOTIFY progressChanged)
    Q_PROPERTY(Content content READ content NOTIFY contentChanged)

public:
    // What the gallery shows: a spinner while the catalog loads and no entries are known, the
    // unavailable view (with the error and "Try Again") after a failure, else the grid.
    enum class Content { spinner, unavailable, grid };
    Q_ENUM(Content)

    using Result = GalleryDownload::Result;
    using Completion = std::function<void(const Result &)>;

    // Published progress changes at most this often, however fast the bytes arrive.
    static constexpr Scheduler::Duration progressInterval{40};

    GalleryStore(GalleryEndpoints endpoints, Scheduler &scheduler, QObject *parent = nullptr);
    // Running downloads stop; their temporary files go and their callers are not called.
    ~GalleryStore() override;

    // The store QML sees: the one the application made.
    static void setQmlInstance(GalleryStore *store);
    static GalleryStore *create(QQmlEngine *, QJSEngine *);

    const GalleryEndpoints &endpoints() const { return m_endpoints; }

    // The catalog's entries, in its order; empty until it has loaded.
    const QList<GalleryWallpaper> &wallpapers() const { return m_model.wallpapers(); }
    GalleryWallpaperModel *model() { return &m_model; }
    bool isLoading() const { return m_loading; }
    // The one failure text, empty unless the last catalog request failed.
    QString error() const { return m_error; }
    // Fraction downloaded per entry id, present exactly while that entry downloads.
    const QHash<QString, double> &progress() const { return m_progress; }
    QVariantMap progressMap() const;
    Content content() const;

    // Fetches the catalog unless it has loaded or a request runs.
    Q_INVOKABLE void load();
    // Runs `then` once the catalog has loaded or failed: at once when it has loaded, else
    // after the running request or a new one. Nothing runs if `context` goes first.
    void whenLoaded(QObject *context, std::function<void()> then);

    // Downloads the entry's video into `folder` as id + ".mp4" and calls `completion` once, from
    // the event loop, with the installed file or the failure. A download of an entry that is
    // already downloading starts nothing; its caller hears the running download's result.
    void download(const GalleryWallpaper &wallpaper, const QUrl &folder, Completion completion);

    // Tells the statistics endpoint, if there is one, that the entry was downloaded.
    void recordDownload(const GalleryWallpaper &wallpaper);

signals:
    void isLoadingChanged();
    void errorChanged();
    void progressChanged();
    void contentChanged();
    // A catalog request ended, loaded or failed.
    void loadFinished();

private:
    struct Running {
        GalleryDownload *download;
        GalleryWallpaper wallpaper;
        QList<Completion> completions;
    };
    void catalogArrived(QNetworkReply *reply);
    void setLoading(bool loading);
    void setError(const QString &error);
    void downloadProgressed(const QString &id, qint64 received, qint64 total);
    void finish(const QString &id, const Result &result);
    void publishProgress();

    GalleryEndpoints m_endpoints;
    Scheduler &m_scheduler;
    QNetworkAccessManager m_network;
    GalleryWallpaperModel m_model;
    bool m_loading = false;
    QString m_error;
    QHash<QString, Running> m_running;
    QHash<QString, double> m_progress;
    QHash<QString, double> m_pendingProgress;
    ScheduledTask m_progressPublish;
};

} // namespace quintara
