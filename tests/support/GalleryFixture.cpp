#include "GalleryFixture.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace quintara::test {

QJsonObject catalogEntry(const LoopbackHttpServer &server, const FixtureWallpaper &wallpaper)
{
    return {{"id", wallpaper.id},
            {"title", wallpaper.title},
            {"description", "A test loop."},
            {"tags", QJsonArray::fromStringList(wallpaper.tags)},
            {"credit", "Quintara"},
            {"licence", QJsonObject{{"name", "CC0 1.0"}, {"url", "https://example.org/cc0"}}},
            {"bytes", wallpaper.bytes},
            {"video", server.url("/videos/" + wallpaper.id + ".mp4").toString()},
            {"poster", server.url("/posters/" + wallpaper.id + ".jpg").toString()}};
}

void serveGallery(LoopbackHttpServer &server, const QList<FixtureWallpaper> &wallpapers,
                  qint64 catalogHoldAt)
{
    QJsonArray entries;
    for (const FixtureWallpaper &wallpaper : wallpapers) {
        entries.append(catalogEntry(server, wallpaper));
        server.route("/videos/" + wallpaper.id.toUtf8() + ".mp4", wallpaper.video);
    }
    auto catalog = LoopbackHttpServer::Response::json(
        QJsonDocument(QJsonObject{{"wallpapers", entries}}).toJson());
    catalog.holdAt = catalogHoldAt;
    server.route("/catalog.json", catalog);
}

} // namespace quintara::test
