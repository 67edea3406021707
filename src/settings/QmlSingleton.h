#pragma once

#include "platform/LogSink.h"

#include <QByteArray>
#include <QQmlEngine>
#include <QVariant>

namespace quintara {

// App-wide objects reach QML as singletons, but they are made and owned by the composition root,
// not by QML. The root hands each engine its instances; a singleton's `create` takes the one its
// engine was given.
namespace qml_singleton {

template <class T> QByteArray key()
{
    return QByteArrayLiteral("quintara.singleton.") + T::staticMetaObject.className();
}

// Makes `instance` (not owned, outliving the engine) the singleton of its type in `engine`.
template <class T> void provide(QQmlEngine &engine, T &instance)
{
    QJSEngine::setObjectOwnership(&instance, QJSEngine::CppOwnership);
    engine.setProperty(key<T>().constData(), QVariant::fromValue<QObject *>(&instance));
}

// For `create`: the instance `engine` was given, or null (and a log line) when none was.
template <class T> T *instance(QQmlEngine *engine)
{
    const QVariant provided = engine ? engine->property(key<T>().constData()) : QVariant();
    T *found = qobject_cast<T *>(qvariant_cast<QObject *>(provided));
    if (!found)
        log::line(QStringLiteral("Quintara: no %1 was provided to this QML engine")
                      .arg(QLatin1String(T::staticMetaObject.className())));
    return found;
}

} // namespace qml_singleton

} // namespace quintara
