#pragma once

#include <QObject>

namespace quintara {

// The displays going to sleep and waking up.
class DisplayPower : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether the displays sleep now, as far as is known: from the start, not only from the
    // first change.
    bool displaysAsleep() const { return m_asleep; }

signals:
    void displaysDidSleep();
    void displaysDidWake();

protected:
    // Emits the matching signal when the state changes.
    void setAsleep(bool asleep)
    {
        if (asleep == m_asleep)
            return;
        m_asleep = asleep;
        if (asleep)
            emit displaysDidSleep();
        else
            emit displaysDidWake();
    }

private:
    bool m_asleep = false;
};

} // namespace quintara
