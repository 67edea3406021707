#pragma once

#include "LoopbackHttpServer.h"

#include <QJsonObject>
#include <QStringList>

namespace quintara::test {

// An online gallery entry for tests, served from a loopback server.
struct FixtureWallpaper {
    QString id;
    QString title;
    QStringList tags;
    // Served at /videos/ID.mp4.
    LoopbackHttpServer::Response video = LoopbackHttpServer::Response::ok("video bytes");
    qint64 bytes = 11;
};

// The entry's catalog object: credit "Quintara", licence CC0 1.0 with its address.
QJsonObject catalogEntry(const LoopbackHttpServer &server, const FixtureWallpaper &wallpaper);
// Serves a catalog of `wallpapers` at /catalog.json and each entry's video.
void serveGallery(LoopbackHttpServer &server, const QList<FixtureWallpaper> &wallpapers);

} // namespace quintara::test
