#pragma once

#include <QString>

namespace quintara {

// Texts written with another desktop's words ("Mac", "Finder") as this desktop says them. Every
// such text of the program goes through here; any other text comes back as it is.
QString desktopWords(const QString &text);

} // namespace quintara
