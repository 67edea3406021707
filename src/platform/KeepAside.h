#pragma once

#include <QString>

namespace quintara {

// Renames the file (or folder) at `path` to the first free name of path.corrupt,
// path.corrupt-2, ..., so that nothing kept aside earlier is overwritten. Returns the new path,
// or an empty string when it could not be moved.
QString keepAside(const QString &path);

} // namespace quintara
