#pragma once

#include "platform/DisplayServer.h"

namespace quintara {

// The displays Qt knows, in its order.
class ScreenDisplayServer final : public DisplayServer {
public:
    QList<DisplayInfo> displays() const override;
};

// A display's stable id: a name-based UUID of its EDID identity (manufacturer, model, serial)
// when it reports one, else its connector name. `taken` holds the ids of the displays listed
// before it: two identical monitors without serial numbers would otherwise share one id, so a
// repeat is told apart by its connector.
QString stableDisplayId(const QString &manufacturer, const QString &model, const QString &serial,
                        const QString &connector, const QStringList &taken = {});

// "Manufacturer Model" from the EDID, else the connector name.
QString displayName(const QString &manufacturer, const QString &model, const QString &connector);

} // namespace quintara
