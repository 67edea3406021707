#pragma once

#include "platform/DesktopServices.h"

#include <QDBusConnection>

namespace quintara {

// URLs through the desktop's handlers; files revealed by the file manager's
// org.freedesktop.FileManager1 service, or by opening their folder where none answers.
class LinuxDesktopServices final : public DesktopServices {
public:
    explicit LinuxDesktopServices(QDBusConnection bus = QDBusConnection::sessionBus());
    void openUrl(const QUrl &url) override;
    void reveal(const QUrl &file) override;

private:
    QDBusConnection m_bus;
};

} // namespace quintara
