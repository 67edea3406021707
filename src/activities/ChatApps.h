#pragma once

#include "platform/AccessibilityTree.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace quintara {

// How a watched chat app shows up on this desktop: the names its Linux builds register with
// the accessibility service, and the names of their processes.
struct ChatAppNames {
    QString bundleID;
    QStringList accessibleNames;
    QStringList processNames;
};

// One entry per watched app identifier.
const QList<ChatAppNames> &chatAppNames();

// Whether `application` is the app known as `bundleID` (names compare case-insensitively).
bool isChatApp(const QString &bundleID, const AccessibilityTree::Application &application);

} // namespace quintara
