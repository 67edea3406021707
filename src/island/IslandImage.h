#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// A picture filling the item, cropped to keep its proportions, inside a rounded rectangle of
// `radius`; nothing without an image (`hasImage` false).
class IslandImage : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QImage image READ image WRITE setImage NOTIFY imageChanged)
    Q_PROPERTY(bool hasImage READ hasImage NOTIFY imageChanged)
    Q_PROPERTY(double radius READ radius WRITE setRadius NOTIFY radiusChanged)

public:
    explicit IslandImage(QQuickItem *parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage &image);
    bool hasImage() const { return !m_image.isNull(); }
    double radius() const { return m_radius; }
    void setRadius(double radius);

    void paint(QPainter *painter) override;

signals:
    void imageChanged();
    void radiusChanged();

private:
    QImage m_image;
    double m_radius = 0;
};

} // namespace quintara
