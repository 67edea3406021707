#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace quintara {

// One entry of the online gallery's catalog. Its id also names the installed file (id + ".mp4").
struct GalleryWallpaper {
    struct Licence {
        QString name;
        std::optional<QUrl> url;
        friend bool operator==(const Licence &, const Licence &) = default;
    };

    QString id;
    QString title;
    QString description;
    QStringList tags;
    QString credit;
    Licence licence;
    QUrl video;
    QUrl poster;
    qint64 bytes = 0;
    std::optional<bool> unverified;

    friend bool operator==(const GalleryWallpaper &, const GalleryWallpaper &) = default;

    bool isUnverified() const { return unverified.value_or(false); }
    // The file an installed entry has in `folder`.
    QUrl installedFile(const QUrl &folder) const;

    // The tile's credit line and its help text; an unverified entry shows a warning instead.
    QString creditLine() const;
    QString creditHelp() const;
    // The download button's title, "Get · 74 MB" for 74,500,000 bytes.
    QString downloadTitle() const;
};

namespace gallery_text {
inline constexpr char16_t loadError[] =
    u"Couldn't reach the gallery. Check your connection and try again.";
inline constexpr char16_t unverifiedLabel[] = u"Licence unverified";
inline constexpr char16_t unverifiedSymbol[] = u"exclamationmark.triangle.fill";
inline constexpr char16_t unverifiedHelp[] =
    u"This wallpaper's source and licence haven't been checked \u2014 you may need a licence to "
    u"use it.";
} // namespace gallery_text

// A catalog id is safe as a file name: not empty, no "/" or NUL, not starting with ".".
bool isSafeGalleryId(const QString &id);

// Whether a catalog at `catalog` may list files at `file`: a file: catalog lists file: URLs, an
// http(s) catalog http(s) URLs. Only file:, http: and https: catalogs are accepted.
bool isGallerySchemeAllowed(const QUrl &catalog);
bool isSameSchemeFamily(const QUrl &catalog, const QUrl &file);

// The entries of a catalog document fetched from `catalog`, in document order, or nothing when
// the document is malformed: not JSON, no "wallpapers" array, or any entry with a required key
// missing, a wrong type, an address that is not an absolute URL of the catalog's scheme family,
// a negative size or an unsafe id. Unknown keys are ignored.
std::optional<QList<GalleryWallpaper>> decodeCatalog(const QByteArray &document,
                                                     const QUrl &catalog);

} // namespace quintara
