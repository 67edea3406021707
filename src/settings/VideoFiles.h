#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace quintara {

// The extensions of the library, compared after lower-casing: "mp4", "mov", "m4v".
bool isSupportedVideo(const QString &fileName);

// The supported videos directly inside `folder`, in the order the directory lists them. Hidden
// entries count and entries are not checked for being files. Nothing when the folder cannot be
// read (missing, not a directory, no permission).
std::optional<QList<QUrl>> supportedVideos(const QUrl &folder);

// A wallpaper's title: the file name without its extension, "-" and "_" as spaces, the first
// character upper-cased (ocean_waves-4k.mp4 reads "Ocean waves 4k").
QString displayTitle(const QUrl &video);

} // namespace quintara
