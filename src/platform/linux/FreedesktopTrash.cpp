#include "platform/linux/FreedesktopTrash.h"

#include <QFile>

namespace quintara {

bool FreedesktopTrash::moveToTrash(const QString &path, QString *error)
{
    QFile file(path);
    if (file.moveToTrash())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace quintara
