#include "platform/linux/ScreenDisplayServer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QUuid>

namespace quintara {

namespace {
// The namespace of Quintara's display ids; never change it, or per-display choices are lost.
const QUuid displayNamespace(QStringLiteral("{6f1c3a52-8e0b-4d5e-9a3f-2b7c61d4e980}"));
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
    for (QScreen *screen : QGuiApplication::screens()) {
        DisplayInfo display;
        display.connector = screen->name();
        display.id = stableDisplayId(screen->manufacturer(), screen->model(),
                                     screen->serialNumber(), display.connector, taken);
        display.name = displayName(screen->manufacturer(), screen->model(), display.connector);
        display.frame = screen->geometry();
        taken.append(display.id);
        list.append(display);
    }
    return list;
}

QScreen *ScreenDisplayServer::screen(const DisplayInfo &display)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->name() == display.connector)
            return screen;
    return nullptr;
}

} // namespace quintara
