#include "TestMain.h"

#include <QDir>

namespace quintara::test {

IsolatedHome::IsolatedHome()
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary home");
    const QString home = m_dir.path();
    const auto set = [&](const char *name, const QString &sub) {
        const QString path = home + sub;
        QDir().mkpath(path);
        qputenv(name, path.toLocal8Bit());
    };
    set("HOME", QString());
    set("XDG_CONFIG_HOME", QStringLiteral("/.config"));
    set("XDG_DATA_HOME", QStringLiteral("/.local/share"));
    set("XDG_CACHE_HOME", QStringLiteral("/.cache"));
    set("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

} // namespace quintara::test
