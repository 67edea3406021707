#pragma once

#include <QObject>
#include <QPoint>

namespace quintara {

// Follows the pointer across the whole desktop, over whatever window, without polling: each
// movement is told once its burst of motion has been read, in global coordinates.
class PointerMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PointerMonitor() override = default;

    // Starts or stops following; while stopped the monitor wakes nobody up.
    virtual void setWatching(bool watching) = 0;
    virtual QPoint position() const = 0;

signals:
    void moved(QPoint position);
};

} // namespace quintara
