#include "island/IslandImage.h"

#include <QPainter>
#include <QPainterPath>

namespace quintara {

IslandImage::IslandImage(QQuickItem *parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void IslandImage::setImage(const QImage &image)
{
    if (image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
    emit imageChanged();
    update();
}

void IslandImage::setRadius(double radius)
{
    if (qFuzzyCompare(radius, m_radius))
        return;
    m_radius = radius;
    emit radiusChanged();
    update();
}

void IslandImage::paint(QPainter *painter)
{
    if (m_image.isNull() || width() <= 0 || height() <= 0)
        return;
    // The part of the image with the item's proportions, centred.
    const QSizeF item(width(), height());
    QSizeF crop = item.scaled(m_image.size(), Qt::KeepAspectRatio);
    const QRectF source((m_image.width() - crop.width()) / 2,
                        (m_image.height() - crop.height()) / 2, crop.width(), crop.height());
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(), item), m_radius, m_radius);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setClipPath(clip);
    painter->drawImage(QRectF(QPointF(), item), m_image, source);
}

} // namespace quintara
