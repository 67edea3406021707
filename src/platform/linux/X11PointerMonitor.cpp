#include "platform/linux/X11PointerMonitor.h"

#include "platform/LogSink.h"
#include "platform/linux/X11Window.h"

#include <QCoreApplication>
#include <QCursor>
#include <cstdlib>
#include <xcb/xinput.h>

namespace quintara {

X11PointerMonitor::X11PointerMonitor(QObject *parent) : PointerMonitor(parent)
{
    xcb_connection_t *c = x11::connection();
    if (!c)
        return;
    const xcb_query_extension_reply_t *xinput = xcb_get_extension_data(c, &xcb_input_id);
    if (!xinput || !xinput->present)
        return;
    xcb_input_xi_query_version_reply_t *version = xcb_input_xi_query_version_reply(
        c, xcb_input_xi_query_version(c, XCB_INPUT_MAJOR_VERSION, XCB_INPUT_MINOR_VERSION),
        nullptr);
    if (version && version->major_version >= 2)
        m_opcode = xinput->major_opcode;
    free(version);
    if (m_opcode < 0)
        log::line(QStringLiteral("Quintara: no XInput 2, the island will not follow the pointer"));
}

X11PointerMonitor::~X11PointerMonitor()
{
    setWatching(false);
}

void X11PointerMonitor::setWatching(bool watching)
{
    if (m_opcode < 0 || watching == m_watching)
        return;
    m_watching = watching;
    select(watching);
    if (watching)
        QCoreApplication::instance()->installNativeEventFilter(this);
    else if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11PointerMonitor::select(bool rawMotion)
{
    xcb_connection_t *c = x11::connection();
    if (!c)
        return;
    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } events{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
             rawMotion ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
    xcb_input_xi_select_events(c, x11::defaultRoot(c), 1, &events.header);
    xcb_flush(c);
}

QPoint X11PointerMonitor::position() const
{
    return QCursor::pos();
}

bool X11PointerMonitor::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!m_watching || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_ge_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC || event->extension != m_opcode ||
        event->event_type != XCB_INPUT_RAW_MOTION)
        return false;
    // A burst of motion arrives in one read; look where the pointer is once it has been taken.
    if (!m_readPending) {
        m_readPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_readPending = false;
                if (m_watching)
                    emit moved(position());
            },
            Qt::QueuedConnection);
    }
    return true;
}

} // namespace quintara
