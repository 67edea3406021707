#pragma once

#include "platform/PointerMonitor.h"

#include <QAbstractNativeEventFilter>

namespace quintara {

// XInput 2 raw motion on the root window, which the server sends whatever window the pointer is
// over (for the motion of input devices: a pointer moved through XTEST to an absolute position
// makes none); after each burst of motion events one pointer query reads where the pointer is.
// Selected for the master devices only, beside Qt's own selections on the same connection.
class X11PointerMonitor final : public PointerMonitor, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11PointerMonitor(QObject *parent = nullptr);
    ~X11PointerMonitor() override;

    void setWatching(bool watching) override;
    QPoint position() const override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

private:
    void select(bool rawMotion);

    int m_opcode = -1; // XInput's major opcode; -1 without XInput 2
    bool m_watching = false;
    bool m_readPending = false;
};

} // namespace quintara
