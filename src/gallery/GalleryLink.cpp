#include "gallery/GalleryLink.h"

#include <QUrlQuery>

namespace quintara {

std::optional<QStringList> galleryLinkIds(const QUrl &link)
{
    // An invalid link still answers scheme() and host(); its query is not to be trusted.
    if (!link.isValid() || link.scheme() != QLatin1String("quintara") ||
        link.host() != QLatin1String("add"))
        return std::nullopt;
    const auto items = QUrlQuery(link).queryItems(QUrl::FullyDecoded);
    for (const auto &[name, value] : items)
        if (name == QLatin1String("ids") || name == QLatin1String("id"))
            return value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return QStringList();
}

} // namespace quintara
