#pragma once

#include <QColor>
#include <QObject>
#include <QQuickImageProvider>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace quintara {

// The app's symbols for QML: `Symbol { name: "sparkles"; color: Brand.accent }` draws a symbol
// of the bundled set through the image provider below. A name the table does not know draws
// nothing, and the first use of each such name is logged.
class SymbolTable : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Symbols)
    QML_SINGLETON

public:
    // The image provider's name in image URLs.
    static constexpr char providerId[] = "symbol";

    explicit SymbolTable(QObject *parent = nullptr) : QObject(parent) {}

    static SymbolTable *create(QQmlEngine *qml, QJSEngine *);

    // The image URL of `name` drawn in `color`; empty for an unknown name.
    Q_INVOKABLE QUrl source(const QString &name, const QColor &color);

private:
    QSet<QString> m_reported;
};

// Draws "image://symbol/<aarrggbb>/<name>" at the size asked for.
class SymbolImageProvider final : public QQuickImageProvider {
public:
    SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    static constexpr int defaultSide = 64;
};

} // namespace quintara
