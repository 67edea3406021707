#pragma once

#include <QObject>

namespace quintara {

// The displays going to sleep and waking up.
class DisplayPower : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void displaysDidSleep();
    void displaysDidWake();
};

} // namespace quintara
