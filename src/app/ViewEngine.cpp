#include "app/ViewEngine.h"

#include "engine/player/LoopingVideoView.h"
#include "library/ThumbnailCache.h"
#include "platform/LogSink.h"
#include "settings/AppSettings.h"
#include "settings/QmlSingleton.h"
#include "views/PosterImageProvider.h"

#include <QQmlComponent>
#include <QQuickWindow>

// The modules are linked statically; their types are registered by hand.
void qml_register_types_Quintara_Settings();
void qml_register_types_Quintara_Library();
void qml_register_types_Quintara_Island();

namespace quintara {

namespace {

void registerTypes()
{
    static const bool registered = [] {
        qml_register_types_Quintara_Settings();
        qml_register_types_Quintara_Library();
        qml_register_types_Quintara_Island();
        registerEngineQmlTypes();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

ViewEngine::ViewEngine(AppSettings &settings, ThumbnailCache &posters)
{
    registerTypes();
    // Where the app's modules keep their QML files (Qt 6.4 does not look there by itself).
    m_engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    qml_singleton::provide(m_engine, settings);
    qml_singleton::provide(m_engine, m_brand);
    qml_singleton::provide(m_engine, m_symbols);
    m_engine.addImageProvider(QLatin1String(SymbolTable::providerId), new SymbolImageProvider);
    m_engine.addImageProvider(QLatin1String(ThumbnailCache::posterProviderId),
                              new PosterImageProvider(posters));
}

QUrl ViewEngine::viewUrl(const QString &name)
{
    return QUrl(QStringLiteral("qrc:/qt/qml/Quintara/Views/%1.qml").arg(name));
}

QQuickWindow *ViewEngine::createWindow(const QString &name, const QVariantMap &properties)
{
    QQmlComponent component(&m_engine, viewUrl(name));
    QObject *object = component.createWithInitialProperties(properties);
    auto *window = qobject_cast<QQuickWindow *>(object);
    if (!window) {
        delete object;
        log::line(QStringLiteral("Quintara: cannot load the %1 view: %2")
                      .arg(name, component.errorString().trimmed()));
        return nullptr;
    }
    QQmlEngine::setObjectOwnership(window, QQmlEngine::CppOwnership);
    return window;
}

} // namespace quintara
