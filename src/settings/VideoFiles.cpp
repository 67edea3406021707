#include "settings/VideoFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <dirent.h>

namespace quintara {

bool isSupportedVideo(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    // Lower-cased comparison without building a new string: the listing calls this per entry.
    const QStringView extension = QStringView(fileName).mid(dot + 1);
    return extension.compare(QLatin1String("mp4"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QLatin1String("mov"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QLatin1String("m4v"), Qt::CaseInsensitive) == 0;
}

std::optional<QList<QUrl>> supportedVideos(const QUrl &folder)
{
    if (folder.isEmpty() || !folder.isLocalFile())
        return std::nullopt;
    QString path = folder.toLocalFile();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    // readdir tells an unreadable folder from an empty one and reads names only.
    DIR *dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return std::nullopt;
    QList<QUrl> videos;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (isSupportedVideo(name))
            videos.append(QUrl::fromLocalFile(path + name));
    }
    ::closedir(dir);
    return videos;
}

QString displayTitle(const QUrl &video)
{
    QString name = video.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    name.replace(QLatin1Char('-'), QLatin1Char(' ')).replace(QLatin1Char('_'), QLatin1Char(' '));
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

} // namespace quintara
