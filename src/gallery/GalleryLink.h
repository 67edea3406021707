#pragma once

#include <QStringList>
#include <QUrl>
#include <optional>

namespace quintara {

// The gallery ids a quintara://add link hands over ("ids" or "id", whichever comes first, split
// at commas without empty pieces), or nothing when the link is not a valid quintara://add link.
std::optional<QStringList> galleryLinkIds(const QUrl &link);

} // namespace quintara
