#pragma once

#include "settings/Brand.h"
#include "settings/SymbolTable.h"

#include <QQmlEngine>
#include <QString>
#include <QVariantMap>

class QQuickWindow;

namespace quintara {

class AppSettings;
class ThumbnailCache;

// The one QML engine every window of the app is made from: the control panel, the welcome, the
// island and the wallpaper windows' gradients. It knows the app's QML modules, holds the
// app-wide singletons (AppSettings, Brand, Symbols) and the symbol and poster images.
class ViewEngine {
public:
    // `settings` and `posters` are not owned and must outlive the engine.
    ViewEngine(AppSettings &settings, ThumbnailCache &posters);

    QQmlEngine &engine() { return m_engine; }

    // Makes the window of the view `name` (a file of `import Quintara.Views`) with its required
    // properties. Nothing, and a log line, when the view does not load.
    QQuickWindow *createWindow(const QString &name, const QVariantMap &properties);

    static QUrl viewUrl(const QString &name);

private:
    Brand m_brand;
    SymbolTable m_symbols;
    QQmlEngine m_engine;
};

} // namespace quintara
