#pragma once

#include "settings/SpringMotion.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

class QQmlEngine;
class QJSEngine;

namespace quintara {

// The look every view shares: two colours, five fonts in the system typeface and the spring
// the views move with. QML reads the composition root's instance (`Brand.accent`).
//
// Font sizes are in the unit of every other length in the views, device-independent pixels, so
// that text keeps its proportion to the layout around it.
class Brand : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor glow READ glow CONSTANT)
    Q_PROPERTY(QFont display READ display CONSTANT)
    Q_PROPERTY(QFont section READ section CONSTANT)
    Q_PROPERTY(QFont eyebrow READ eyebrow CONSTANT)
    Q_PROPERTY(QFont tileTitle READ tileTitle CONSTANT)
    Q_PROPERTY(QFont meta READ meta CONSTANT)
    Q_PROPERTY(quintara::SpringMotion spring READ spring CONSTANT)

public:
    explicit Brand(QObject *parent = nullptr);

    static Brand *create(QQmlEngine *qml, QJSEngine *);

    QColor accent() const { return m_accent; }
    QColor glow() const { return m_glow; }
    QFont display() const { return m_display; }
    QFont section() const { return m_section; }
    QFont eyebrow() const { return m_eyebrow; }
    QFont tileTitle() const { return m_tileTitle; }
    QFont meta() const { return m_meta; }
    SpringMotion spring() const { return m_spring; }

    // Any other spring, for motion of its own (the island's, a press).
    Q_INVOKABLE quintara::SpringMotion springMotion(double response, double dampingFraction) const
    {
        return {response, dampingFraction};
    }

private:
    const QColor m_accent = QColor::fromRgbF(0.96f, 0.62f, 0.22f);
    const QColor m_glow = QColor::fromRgbF(1.0f, 0.82f, 0.48f);
    QFont m_display, m_section, m_eyebrow, m_tileTitle, m_meta;
    const SpringMotion m_spring{0.38, 0.82};
};

} // namespace quintara
