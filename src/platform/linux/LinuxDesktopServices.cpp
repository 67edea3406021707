#include "platform/linux/LinuxDesktopServices.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace quintara {

LinuxDesktopServices::LinuxDesktopServices(QDBusConnection bus) : m_bus(std::move(bus)) {}

void LinuxDesktopServices::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void LinuxDesktopServices::reveal(const QUrl &file)
{
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath());
    if (!m_bus.isConnected()) {
        openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a file manager that is slow to start must not stall the app.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher *self) {
                         if (self->isError())
                             QDesktopServices::openUrl(folder);
                         self->deleteLater();
                     });
}

} // namespace quintara
