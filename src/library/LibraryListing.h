#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>

namespace quintara {

// The order the file manager uses for names: the collation of the default locale (QLocale()),
// letters compared without regard to case, runs of digits compared by their numeric value (clip2
// before clip10), accented letters beside their plain ones. Returns <0, 0 or >0; names that
// differ only in case or in leading zeros compare equal.
int compareNames(QStringView a, QStringView b);

// The library: the supported videos directly inside `folder` sorted by file name with
// compareNames, ties in listing order. Empty when no folder is set or it cannot be read.
QList<QUrl> listLibrary(const QUrl &folder);

// Distinct strings (exact equality) sorted with compareNames; ties fall back to code points so
// the result does not depend on the input order.
QStringList sortedNames(QStringList names);

} // namespace quintara
