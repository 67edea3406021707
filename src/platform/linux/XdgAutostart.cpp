#include "platform/linux/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace quintara {

namespace {

constexpr char desktopFile[] = "com.quintara.Quintara.desktop";

bool isHidden(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith("Hidden=") && line.mid(7).trimmed() == "true")
            return true;
    }
    return false;
}

// The Exec= program of an installed desktop entry, resolved through PATH.
QString installedProgram(const QString &entry)
{
    QFile file(entry);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.startsWith(QLatin1String("Exec=")))
            continue;
        const QString program = line.mid(5).section(QLatin1Char(' '), 0, 0);
        return program.startsWith(QLatin1Char('/')) ? program
                                                    : QStandardPaths::findExecutable(program);
    }
    return {};
}

} // namespace

XdgAutostart::XdgAutostart(QString executable) : m_executable(std::move(executable))
{
    if (m_executable.isEmpty())
        m_executable = QCoreApplication::applicationFilePath();
}

QString XdgAutostart::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QLatin1String(desktopFile);
}

bool XdgAutostart::isEnabled() const
{
    const QString path = entryPath();
    return QFileInfo::exists(path) && !isHidden(path);
}

bool XdgAutostart::enable(QString *error)
{
    const QString path = entryPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QString exec = m_executable;
    if (qEnvironmentVariableIsSet("APPIMAGE"))
        exec = qEnvironmentVariable("APPIMAGE");
    // Quoted argument rules of desktop entries, then the string escape of the value; a literal
    // percent sign is doubled, or it would read as a field code (%u, %f, ...).
    for (const char *reserved : {"\\", "\"", "`", "$"})
        exec.replace(QLatin1String(reserved), QLatin1String("\\") + QLatin1String(reserved));
    exec.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    exec.replace(QLatin1String("%"), QLatin1String("%%"));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Quintara\n"
                                        "Comment=Looping video wallpapers behind the desktop\n"
                                        "Exec=\"%1\"\n"
                                        "Icon=com.quintara.Quintara\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(exec);
    file.write(text.toUtf8());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool XdgAutostart::disable(QString *error)
{
    QFile file(entryPath());
    if (!file.exists() || file.remove())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool XdgAutostart::hasBundleIdentity() const
{
    if (qEnvironmentVariableIsSet("APPIMAGE"))
        return true;
    // Installed: an applications entry whose program is this very binary.
    const QString entry =
        QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QLatin1String(desktopFile));
    if (entry.isEmpty())
        return false;
    const QString program = installedProgram(entry);
    return !program.isEmpty() &&
           QFileInfo(program).canonicalFilePath() == QFileInfo(m_executable).canonicalFilePath();
}

} // namespace quintara
