#include "app/AccessibilityRequest.h"

#include "settings/AppSettings.h"

namespace quintara {

QString AccessibilityRequest::reason()
{
    return QStringLiteral("Quintara turns on the desktop's accessibility service so the Dynamic "
                          "Island can show when Claude is writing a response.");
}

void AccessibilityRequest::requestOnce()
{
    if (m_defaults->boolValue(settings_keys::askedForAccessibility))
        return;
    m_defaults->setValue(settings_keys::askedForAccessibility, true);
    if (m_bus->isEnabled())
        return;
    if (m_tell)
        m_tell(reason());
    m_bus->enable();
}

} // namespace quintara
