#include "app/LaunchAtLogin.h"

#include "platform/LogSink.h"
#include "settings/AppSettings.h"

namespace quintara {

void LaunchAtLogin::toggle()
{
    QString error;
    const bool ok = m_items->isEnabled() ? m_items->disable(&error) : m_items->enable(&error);
    if (!ok)
        log::line(QStringLiteral("Quintara: launch at login change failed: ") + error);
}

void LaunchAtLogin::enableOnFirstRun()
{
    if (m_defaults->boolValue(settings_keys::didSetUpLaunchAtLogin))
        return;
    // A binary run from a build tree is never registered, and the flag stays unset so that the
    // installed app still registers on its own first run.
    if (!m_items->hasBundleIdentity())
        return;
    m_defaults->setValue(settings_keys::didSetUpLaunchAtLogin, true);
    QString ignored;
    m_items->enable(&ignored);
}

} // namespace quintara
