#include "gallery/GalleryWallpaper.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace quintara {

namespace {

bool isWebScheme(const QString &scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Decoding stops at the first fault: every reader returns nothing for a missing or wrong value.
std::optional<QString> string(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// An absolute URL of the catalog's scheme family.
std::optional<QUrl> address(const QJsonValue &value, const QUrl &catalog)
{
    if (!value.isString())
        return std::nullopt;
    const QUrl url(value.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || !isSameSchemeFamily(catalog, url))
        return std::nullopt;
    return url;
}

std::optional<GalleryWallpaper::Licence> licence(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    const auto name = string(object, "name");
    if (!value.isObject() || !name)
        return std::nullopt;
    GalleryWallpaper::Licence result{*name, std::nullopt};
    const QJsonValue url = object.value(QLatin1String("url"));
    if (!url.isUndefined() && !url.isNull()) {
        // The licence text lives anywhere on the web.
        const QUrl parsed(url.toString(), QUrl::StrictMode);
        if (!url.isString() || !parsed.isValid() || parsed.isRelative()) // not a URL
            return std::nullopt;
        result.url = parsed;
    }
    return result;
}

std::optional<GalleryWallpaper> entry(const QJsonValue &value, const QUrl &catalog)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    GalleryWallpaper wallpaper;
    const auto id = string(object, "id");
    const auto title = string(object, "title");
    const auto description = string(object, "description");
    const auto credit = string(object, "credit");
    const auto licenceValue = licence(object.value(QLatin1String("licence")));
    const auto video = address(object.value(QLatin1String("video")), catalog);
    const auto poster = address(object.value(QLatin1String("poster")), catalog);
    if (!id || !isSafeGalleryId(*id) || !title || !description || !credit || !licenceValue ||
        !video || !poster)
        return std::nullopt;

    const QJsonValue tags = object.value(QLatin1String("tags"));
    if (!tags.isArray())
        return std::nullopt;
    for (const QJsonValue &tag : tags.toArray()) {
        if (!tag.isString())
            return std::nullopt;
        wallpaper.tags.append(tag.toString());
    }

    const QJsonValue bytes = object.value(QLatin1String("bytes"));
    const double size = bytes.toDouble(-1);
    if (!bytes.isDouble() || size < 0 || size != std::floor(size) || size > 9.0e15)
        return std::nullopt;

    const QJsonValue unverified = object.value(QLatin1String("unverified"));
    if (unverified.isBool())
        wallpaper.unverified = unverified.toBool();
    else if (!unverified.isUndefined() && !unverified.isNull())
        return std::nullopt;

    wallpaper.id = *id;
    wallpaper.title = *title;
    wallpaper.description = *description;
    wallpaper.credit = *credit;
    wallpaper.licence = *licenceValue;
    wallpaper.video = *video;
    wallpaper.poster = *poster;
    wallpaper.bytes = static_cast<qint64>(size);
    return wallpaper;
}

} // namespace

QUrl GalleryWallpaper::installedFile(const QUrl &folder) const
{
    return QUrl::fromLocalFile(
        QDir::cleanPath(folder.toLocalFile() + QLatin1Char('/') + id + QStringLiteral(".mp4")));
}

QString GalleryWallpaper::creditLine() const
{
    if (isUnverified())
        return QString::fromUtf16(gallery_text::unverifiedLabel);
    return credit + QStringLiteral(" \u00b7 ") + licence.name;
}

QString GalleryWallpaper::creditHelp() const
{
    if (isUnverified())
        return QString::fromUtf16(gallery_text::unverifiedHelp);
    return credit + QStringLiteral(" \u2014 ") + licence.name;
}

QString GalleryWallpaper::downloadTitle() const
{
    return QStringLiteral("Get \u00b7 %1 MB").arg(bytes / 1000000);
}

bool isSafeGalleryId(const QString &id)
{
    return !id.isEmpty() && !id.startsWith(QLatin1Char('.')) && !id.contains(QLatin1Char('/')) &&
           !id.contains(QChar(u'\0'));
}

bool isGallerySchemeAllowed(const QUrl &catalog)
{
    return catalog.isValid() &&
           (catalog.scheme() == QLatin1String("file") || isWebScheme(catalog.scheme()));
}

bool isSameSchemeFamily(const QUrl &catalog, const QUrl &file)
{
    if (catalog.scheme() == QLatin1String("file"))
        return file.scheme() == QLatin1String("file");
    return isWebScheme(catalog.scheme()) && isWebScheme(file.scheme());
}

std::optional<QList<GalleryWallpaper>> decodeCatalog(const QByteArray &document,
                                                     const QUrl &catalog)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(document, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return std::nullopt;
    const QJsonValue list = json.object().value(QLatin1String("wallpapers"));
    if (!list.isArray())
        return std::nullopt;
    QList<GalleryWallpaper> wallpapers;
    for (const QJsonValue &value : list.toArray()) {
        auto wallpaper = entry(value, catalog);
        if (!wallpaper)
            return std::nullopt;
        wallpapers.append(std::move(*wallpaper));
    }
    return wallpapers;
}

} // namespace quintara
