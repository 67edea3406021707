#pragma once

#include <QObject>

namespace quintara {

// Whether the desktop has somewhere to show tray items, and news when a host appears (a panel
// started after Quintara, as happens when both are launched at login).
class TrayHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isAvailable() const = 0;

signals:
    void appeared();
};

} // namespace quintara
