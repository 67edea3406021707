#include "platform/KeepAside.h"

#include <QFile>
#include <QFileInfo>

namespace quintara {

QString keepAside(const QString &path)
{
    QString candidate = path + QStringLiteral(".corrupt");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".corrupt-%1").arg(n);
    return QFile::rename(path, candidate) ? candidate : QString();
}

} // namespace quintara
