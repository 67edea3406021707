#pragma once

#include "platform/Trash.h"

namespace quintara {

// The freedesktop.org Trash of the user's home (or of the file's own volume).
class FreedesktopTrash final : public Trash {
public:
    bool moveToTrash(const QString &path, QString *error) override;
};

} // namespace quintara
