#pragma once

#include <QString>

namespace quintara {

// Moving a file to the user's Trash.
class Trash {
public:
    virtual ~Trash() = default;
    // False with a description in `error` when the file stays where it is.
    virtual bool moveToTrash(const QString &path, QString *error) = 0;
};

} // namespace quintara
