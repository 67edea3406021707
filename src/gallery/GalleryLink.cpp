#include "gallery/GalleryLink.h"

#include <QUrlQuery>

namespace quintara {

std::optional<QStringList> galleryLinkIds(const QUrl &link)
{
    if (link.scheme() != QLatin1String("quintara") || link.host() != QLatin1String("add"))
        return std::nullopt;
    const auto items = QUrlQuery(link).queryItems(QUrl::FullyDecoded);
    for (const auto &[name, value] : items)
        if (name == QLatin1String("ids") || name == QLatin1String("id"))
            return value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return QStringList();
}

} // namespace quintara
