// The gallery's catalog as it arrives from the network or a file: decoded strictly, each entry's
// installed file stays inside the library folder, and a decoded catalog written back out decodes
// to the same entries. The first byte picks where the catalog was fetched from.
#include "FuzzSupport.h"
#include "gallery/GalleryWallpaper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace quintara;

namespace {

QJsonObject encode(const GalleryWallpaper &wallpaper)
{
    QJsonObject licence{{QStringLiteral("name"), wallpaper.licence.name}};
    if (wallpaper.licence.url)
        licence.insert(QStringLiteral("url"), wallpaper.licence.url->toString(QUrl::FullyEncoded));
    QJsonObject entry{{QStringLiteral("id"), wallpaper.id},
                      {QStringLiteral("title"), wallpaper.title},
                      {QStringLiteral("description"), wallpaper.description},
                      {QStringLiteral("tags"), QJsonArray::fromStringList(wallpaper.tags)},
                      {QStringLiteral("credit"), wallpaper.credit},
                      {QStringLiteral("licence"), licence},
                      {QStringLiteral("video"), wallpaper.video.toString(QUrl::FullyEncoded)},
                      {QStringLiteral("poster"), wallpaper.poster.toString(QUrl::FullyEncoded)},
                      {QStringLiteral("bytes"), double(wallpaper.bytes)}};
    if (wallpaper.unverified)
        entry.insert(QStringLiteral("unverified"), *wallpaper.unverified);
    return entry;
}

QByteArray encode(const QList<GalleryWallpaper> &wallpapers)
{
    QJsonArray list;
    for (const GalleryWallpaper &wallpaper : wallpapers)
        list.append(encode(wallpaper));
    return QJsonDocument(QJsonObject{{QStringLiteral("wallpapers"), list}}).toJson();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    if (size == 0)
        return 0;
    const QUrl catalog(data[0] & 1
                           ? QStringLiteral("https://gallery.example/v1/catalog.json")
                           : QStringLiteral("file:///usr/share/quintara/gallery/catalog.json"));
    const QByteArray document(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const auto decoded = decodeCatalog(document, catalog);
    if (!decoded)
        return 0;
    const QUrl folder = QUrl::fromLocalFile(QStringLiteral("/home/user/Movies/Quintara"));
    for (const GalleryWallpaper &wallpaper : *decoded) {
        FUZZ_CHECK(isSafeGalleryId(wallpaper.id) && wallpaper.bytes >= 0);
        FUZZ_CHECK(isSameSchemeFamily(catalog, wallpaper.video) &&
                   isSameSchemeFamily(catalog, wallpaper.poster));
        const QString file = wallpaper.installedFile(folder).toLocalFile();
        FUZZ_CHECK(file.startsWith(folder.toLocalFile() + QLatin1Char('/')) &&
                   !file.mid(folder.toLocalFile().size() + 1).contains(QLatin1Char('/')));
        FUZZ_CHECK(!wallpaper.downloadTitle().isEmpty() && !wallpaper.creditLine().isEmpty());
    }
    // Compared as written: an address whose fragment holds a second "#" reads back as the
    // same text but not as an equal QUrl.
    const QByteArray written = encode(*decoded);
    const auto again = decodeCatalog(written, catalog);
    FUZZ_CHECK(again && again->size() == decoded->size() && encode(*again) == written);
    return 0;
}
