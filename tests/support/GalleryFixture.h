#pragma once

#include "LoopbackHttpServer.h"

#include <QJsonObject>
#include <QStringList>

namespace quintara::test {

// An online gallery entry for tests; its video is served at /videos/ID.mp4.
struct FixtureWallpaper {
    QString id, title;
    QStringList tags = {};
    LoopbackHttpServer::Response video = LoopbackHttpServer::Response::ok("video bytes");
    qint64 bytes = 11;
};

// The entry's catalog object: credit "Quintara", licence CC0 1.0 with its address.
QJsonObject catalogEntry(const LoopbackHttpServer &server, const FixtureWallpaper &wallpaper);
// Serves a catalog of `wallpapers` at /catalog.json, held after `catalogHoldAt` bytes when
// that is not negative, and each entry's video.
void serveGallery(LoopbackHttpServer &server, const QList<FixtureWallpaper> &wallpapers,
                  qint64 catalogHoldAt = -1);

} // namespace quintara::test
