#pragma once

#include <QObject>
#include <QVariantMap>

namespace quintara {

// A session-wide broadcast that any process can post an activity report to, and that Quintara
// listens to. Values that are not strings reach the listener as they are.
class Broadcast : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Broadcast() override = default;

    // Posts `report` and returns once the session has it; false when it could not be posted.
    virtual bool post(const QVariantMap &report) = 0;

signals:
    void received(const QVariantMap &report);
};

} // namespace quintara
