#pragma once

#include <QString>
#include <QUrl>

namespace quintara {

// Where the gallery lives: its catalog and the statistics endpoint.
struct GalleryEndpoints {
    QUrl catalog;
    // The statistics endpoint's base; empty when no statistics are sent.
    QUrl stats;
};

// `base` with the path component `component` appended.
QUrl appendPathComponent(const QUrl &base, const QString &component);

// From base addresses, each given by the environment, else by the build: the gallery's catalog
// is "/catalog.json" below the first usable gallery base (file:, http: or https:), else below
// `sampleGallery`; statistics go to the first usable statistics base (http: or https:), or
// nowhere. An unusable non-empty base is skipped with a log line.
GalleryEndpoints resolveGalleryEndpoints(const QString &environmentGallery,
                                         const QString &builtGallery,
                                         const QString &environmentStats, const QString &builtStats,
                                         const QUrl &sampleGallery);

// This run's endpoints: QUINTARA_GALLERY_URL and QUINTARA_STATS_URL override the build's
// addresses; without any, the sample gallery installed beside the program (or the build tree's)
// is used. The log says which catalog that is.
GalleryEndpoints galleryEndpoints();

} // namespace quintara
