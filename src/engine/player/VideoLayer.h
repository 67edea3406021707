#pragma once

#include "settings/FillMode.h"

#include <QEasingCurve>
#include <QPointer>
#include <QQuickItem>
#include <QVariantAnimation>
#include <memory>
#include <optional>

namespace quintara {

class LoopingPlayer;
class SharedFrame;

// Shows one LoopingPlayer's frames, scaled into the item's rectangle by the fill mode: fill
// covers it and crops the overflow, fit shows the whole frame (the window's black shows around
// it), stretch scales each axis on its own. Any number of layers, in any windows, may show one
// player; the player draws each frame once for all of them.
class VideoLayer : public QQuickItem {
    Q_OBJECT
    Q_PROPERTY(bool readyForDisplay READ isReadyForDisplay NOTIFY readyForDisplayChanged)

public:
    explicit VideoLayer(QQuickItem *parent = nullptr);
    ~VideoLayer() override;

    void setPlayer(LoopingPlayer *player);
    LoopingPlayer *player() const { return m_player; }

    void setFillMode(FillMode mode);
    FillMode fillMode() const { return m_fillMode; }

    // Moves the item to `frame` (in its parent) and the picture to where `mode` puts it there,
    // gliding both over `duration` on `curve`: the video's rectangle passes smoothly between
    // the two modes' scalings. Meanwhile the player draws the whole video once, at the larger of
    // the two sizes, and the glide only moves it. A zero duration goes there at once.
    void glideTo(const QRectF &frame, FillMode mode, int duration, const QEasingCurve &curve);

    // True once this layer has put a frame of its player on screen; false again for another
    // player until that one's first frame is shown.
    bool isReadyForDisplay() const { return m_ready; }

    // Where the video lies in item coordinates for the player's current video size.
    QRectF videoRectangle() const;

signals:
    void readyForDisplayChanged();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    void releaseResources() override;

private:
    // A glide in progress: both ends, in the parent's coordinates.
    struct Glide {
        QRectF fromFrame, toFrame, fromVideo, toVideo;
        FillMode mode;
        QSize whole; // the pixels the player draws the whole video at meanwhile
    };

    QSGNode *updateTextureNode(QSGNode *old);
    void requestFrameSize();
    void markShown(LoopingPlayer *player);
    void setReady(bool ready);
    void glideStep(double progress);
    void endGlide();

    QPointer<LoopingPlayer> m_player;
    FillMode m_fillMode = FillMode::fill;
    std::optional<Glide> m_glide;
    QRectF m_glideVideo; // where the video lies now during a glide, in item coordinates
    QPointer<QVariantAnimation> m_animation;
    bool m_ready = false;
    quint64 m_uploadedSerial = 0;
    unsigned m_wrappedTexture = 0;
    bool m_uploadedFillsLayer = false;
};

} // namespace quintara
