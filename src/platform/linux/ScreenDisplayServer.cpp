#include "platform/linux/ScreenDisplayServer.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QUuid>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/randr.h>

namespace quintara {

namespace {
// The namespace of Quintara's display ids; never change it, or per-display choices are lost.
const QUuid displayNamespace(QStringLiteral("{6f1c3a52-8e0b-4d5e-9a3f-2b7c61d4e980}"));
// The X server's own monitor frames by output name. Qt can miss the move of one output when a
// rearrangement moves several (xrandr --above), so the server is asked directly where it can be.
QHash<QString, QRect> randrMonitorFrames()
{
    QHash<QString, QRect> frames;
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return frames;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_randr_get_monitors_reply_t *reply =
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, screen->root, 1), nullptr);
    if (!reply)
        return frames;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        xcb_get_atom_name_reply_t *name =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, it.data->name), nullptr);
        if (!name)
            continue;
        const QString output =
            QString::fromLatin1(xcb_get_atom_name_name(name), xcb_get_atom_name_name_length(name));
        frames.insert(output, QRect(it.data->x, it.data->y, it.data->width, it.data->height));
        std::free(name);
    }
    std::free(reply);
    return frames;
}

} // namespace

QString stableDisplayId(const QString &manufacturer, const QString &model, const QString &serial,
                        const QString &connector, const QStringList &taken)
{
    if (manufacturer.isEmpty() && model.isEmpty() && serial.isEmpty())
        return connector;
    QString identity = manufacturer + QLatin1Char('\n') + model + QLatin1Char('\n') + serial;
    QString id = QUuid::createUuidV5(displayNamespace, identity).toString(QUuid::WithoutBraces);
    if (taken.contains(id)) {
        identity += QLatin1Char('\n') + connector;
        id = QUuid::createUuidV5(displayNamespace, identity).toString(QUuid::WithoutBraces);
    }
    return id;
}

QString displayName(const QString &manufacturer, const QString &model, const QString &connector)
{
    const QString name = (manufacturer + QLatin1Char(' ') + model).trimmed();
    return name.isEmpty() ? connector : name;
}

QList<DisplayInfo> ScreenDisplayServer::displays() const
{
    QList<DisplayInfo> list;
    if (!qGuiApp)
        return list;
    QStringList taken;
    const QHash<QString, QRect> serverFrames = randrMonitorFrames();
    for (QScreen *screen : QGuiApplication::screens()) {
        DisplayInfo display;
        display.connector = screen->name();
        display.id = stableDisplayId(screen->manufacturer(), screen->model(),
                                     screen->serialNumber(), display.connector, taken);
        display.name = displayName(screen->manufacturer(), screen->model(), display.connector);
        display.frame = screen->geometry();
        // Scaled, Qt keeps the native top-left and scales the size.
        display.pixelFrame =
            QRect(display.frame.topLeft(),
                  (QSizeF(display.frame.size()) * screen->devicePixelRatio()).toSize());
        // The server's frame is in device pixels; Qt's only differs from it when scaled.
        if (serverFrames.contains(display.connector)) {
            display.pixelFrame = serverFrames.value(display.connector);
            if (qFuzzyCompare(screen->devicePixelRatio(), 1.0))
                display.frame = display.pixelFrame;
        }
        taken.append(display.id);
        list.append(display);
    }
    return list;
}

} // namespace quintara
