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
            {"licence", QJsonObject{{"name", "CC0 1.0"},
                                    {"url", "https://creativecommons.org/publicdomain/zero/1.0/"}}},
            {"video", server.url("/videos/" + wallpaper.id + ".mp4").toString()},
            {"poster", server.url("/posters/" + wallpaper.id + ".jpg").toString()},
            {"bytes", wallpaper.bytes}};
}

void serveGallery(LoopbackHttpServer &server, const QList<FixtureWallpaper> &wallpapers)
{
    QJsonArray entries;
    for (const FixtureWallpaper &wallpaper : wallpapers) {
        entries.append(catalogEntry(server, wallpaper));
        server.route("/videos/" + wallpaper.id.toUtf8() + ".mp4", wallpaper.video);
    }
    server.route("/catalog.json",
                 LoopbackHttpServer::Response::json(
                     QJsonDocument(QJsonObject{{"wallpapers", entries}}).toJson()));
}

} // namespace quintara::test
