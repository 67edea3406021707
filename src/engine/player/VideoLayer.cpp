#include "engine/player/VideoLayer.h"

#include "engine/player/LoopingPlayer.h"
#include "engine/player/SoftwareRenderer.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGRenderNode>
#include <QSGRendererInterface>
#include <QSGTexture>
#include <QtQuick/qsgtexture_platform.h>
#include <cmath>

namespace quintara {

namespace {

// The rectangle a video of natural size `content` occupies in `in` under `mode`, centred.
QRectF scaledVideoRect(const QSizeF &content, const QRectF &in, FillMode mode)
{
    if (!(content.width() > 0) || !(content.height() > 0) || mode == FillMode::stretch)
        return in;
    const double sx = in.width() / content.width();
    const double sy = in.height() / content.height();
    const double s = mode == FillMode::fill ? std::max(sx, sy) : std::min(sx, sy);
    const QSizeF size = content * s;
    return QRectF(in.center().x() - size.width() * 0.5, in.center().y() - size.height() * 0.5,
                  size.width(), size.height());
}

// The visible part of the video in item coordinates, and where it lies in the frame's pixels.
struct Placement {
    QRectF target;
    QRectF source;
};

Placement place(const QRectF &video, const QRectF &bounds, const QSize &image, bool fillsLayer)
{
    if (fillsLayer)
        return image.isEmpty() ? Placement{} : Placement{bounds, QRectF(QPointF(), image)};
    const QRectF visible = video & bounds;
    if (visible.isEmpty() || image.isEmpty() || video.isEmpty())
        return {};
    const double kx = image.width() / video.width();
    const double ky = image.height() / video.height();
    return {visible, QRectF((visible.x() - video.x()) * kx, (visible.y() - video.y()) * ky,
                            visible.width() * kx, visible.height() * ky)};
}

// Paints the shared frame straight into the window with Qt Quick's software renderer: the only
// copy besides mpv's own drawing is the blit into the window's backing store.
class PainterNode final : public QSGRenderNode {
public:
    explicit PainterNode(QQuickWindow *window) : m_window(window) {}

    void update(std::shared_ptr<SharedFrame> frame, const QRectF &video, const QRectF &bounds)
    {
        m_frame = std::move(frame);
        m_video = video;
        m_bounds = bounds;
        markDirty(QSGNode::DirtyMaterial);
    }

    void render(const RenderState *state) override
    {
        if (!m_frame)
            return;
        auto *painter = static_cast<QPainter *>(m_window->rendererInterface()->getResource(
            m_window, QSGRendererInterface::PainterResource));
        if (!painter)
            return;
        const QRegion *clip = state->clipRegion();
        if (clip && !clip->isEmpty())
            painter->setClipRegion(*clip, Qt::ReplaceClip);
        painter->setTransform(matrix()->toTransform());
        painter->setOpacity(inheritedOpacity());
        m_frame->withFrame([&](const QImage &image, bool fillsLayer) {
            const Placement placement = place(m_video, m_bounds, image.size(), fillsLayer);
            if (placement.target.isEmpty())
                return;
            const QRectF device = painter->transform().mapRect(placement.target);
            const bool scaled = std::abs(device.width() - placement.source.width()) > 0.5 ||
                                std::abs(device.height() - placement.source.height()) > 0.5;
            painter->setRenderHint(QPainter::SmoothPixmapTransform, scaled);
            painter->drawImage(placement.target, image, placement.source);
        });
    }

    StateFlags changedStates() const override { return {}; }
    RenderingFlags flags() const override
    {
        RenderingFlags flags = BoundedRectRendering;
        if (m_video.contains(m_bounds))
            flags |= OpaqueRendering;
        return flags;
    }
    QRectF rect() const override { return m_bounds; }

private:
    QQuickWindow *m_window;
    std::shared_ptr<SharedFrame> m_frame;
    QRectF m_video;
    QRectF m_bounds;
};

bool isSoftwareScene(const QQuickWindow *window)
{
    return window && window->rendererInterface()->graphicsApi() == QSGRendererInterface::Software;
}

} // namespace

VideoLayer::VideoLayer(QQuickItem *parent) : QQuickItem(parent)
{
    setFlag(ItemHasContents);
}

VideoLayer::~VideoLayer()
{
    if (m_player)
        m_player->releaseFrameSize(this);
}

void VideoLayer::setPlayer(LoopingPlayer *player)
{
    if (player == m_player)
        return;
    if (m_player) {
        m_player->releaseFrameSize(this);
        disconnect(m_player, nullptr, this, nullptr);
    }
    m_player = player;
    m_uploadedSerial = 0;
    setReady(false);
    if (player) {
        connect(player, &LoopingPlayer::frameDrawn, this, &QQuickItem::update);
        connect(player, &LoopingPlayer::videoSizeChanged, this, &VideoLayer::requestFrameSize);
        connect(player, &QObject::destroyed, this, [this] {
            setReady(false);
            update();
        });
    }
    requestFrameSize();
    update();
}

void VideoLayer::setFillMode(FillMode mode)
{
    if (mode == m_fillMode)
        return;
    m_fillMode = mode;
    requestFrameSize();
    update();
}

QRectF VideoLayer::videoRectangle() const
{
    if (m_glide)
        return m_glideVideo;
    const QSize size = m_player ? m_player->videoSize() : QSize();
    return scaledVideoRect(size, boundingRect(), m_fillMode);
}

void VideoLayer::glideTo(const QRectF &frame, FillMode mode, int duration,
                         const QEasingCurve &curve)
{
    if (m_animation)
        m_animation->stop(); // a glide under way goes on from where it is
    const QRectF from(position(), size());
    const QSize video = m_player ? m_player->videoSize() : QSize();
    const QRectF fromVideo = videoRectangle().translated(from.topLeft());
    const QRectF toVideo =
        scaledVideoRect(video, QRectF(QPointF(), frame.size()), mode).translated(frame.topLeft());
    m_glide.reset();
    if (duration <= 0 || (from == frame && fromVideo == toVideo)) {
        setPosition(frame.topLeft());
        setSize(frame.size());
        setFillMode(mode);
        requestFrameSize();
        return;
    }
    const double dpr = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSizeF largest = fromVideo.size().expandedTo(toVideo.size()) * dpr;
    m_glide = Glide{
        from,    frame, fromVideo,
        toVideo, mode,  QSize(int(std::ceil(largest.width())), int(std::ceil(largest.height())))};
    if (!m_animation) {
        m_animation = new QVariantAnimation(this);
        m_animation->setStartValue(0.0);
        m_animation->setEndValue(1.0);
        connect(m_animation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant &value) { glideStep(value.toDouble()); });
        connect(m_animation, &QVariantAnimation::finished, this, &VideoLayer::endGlide);
    }
    m_animation->setDuration(duration);
    m_animation->setEasingCurve(curve);
    glideStep(0.0);
    requestFrameSize();
    m_animation->start();
}

void VideoLayer::glideStep(double progress)
{
    if (!m_glide)
        return;
    const auto mix = [progress](const QRectF &a, const QRectF &b) {
        return QRectF(a.x() + (b.x() - a.x()) * progress, a.y() + (b.y() - a.y()) * progress,
                      a.width() + (b.width() - a.width()) * progress,
                      a.height() + (b.height() - a.height()) * progress);
    };
    const QRectF frame = mix(m_glide->fromFrame, m_glide->toFrame);
    m_glideVideo = mix(m_glide->fromVideo, m_glide->toVideo).translated(-frame.topLeft());
    setPosition(frame.topLeft());
    setSize(frame.size());
    update();
}

void VideoLayer::endGlide()
{
    if (!m_glide)
        return;
    const Glide glide = *m_glide;
    m_glide.reset();
    setPosition(glide.toFrame.topLeft());
    setSize(glide.toFrame.size());
    m_fillMode = glide.mode;
    requestFrameSize();
    update();
}

void VideoLayer::requestFrameSize()
{
    if (!m_player)
        return;
    // Until mpv knows the video's size there is nothing sensible to draw at.
    if (!window() || m_player->videoSize().isEmpty() || boundingRect().isEmpty()) {
        m_player->releaseFrameSize(this);
        return;
    }
    if (m_glide) {
        // One drawing of the whole video for the glide; the glide itself only moves it.
        m_player->requestFrameSize(this, {m_glide->whole, m_glide->whole, m_fillMode, true});
        return;
    }
    const double dpr = window()->effectiveDevicePixelRatio();
    const auto pixels = [](QSizeF size) {
        return QSize(int(std::ceil(size.width() - 0.01)), int(std::ceil(size.height() - 0.01)));
    };
    m_player->requestFrameSize(this, {pixels(videoRectangle().size() * dpr),
                                      pixels(boundingRect().size() * dpr), m_fillMode});
}

void VideoLayer::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) {
        requestFrameSize();
        update();
    }
}

void VideoLayer::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged) {
        m_uploadedSerial = 0;
        requestFrameSize();
    }
}

void VideoLayer::releaseResources()
{
    m_uploadedSerial = 0;
}

QSGNode *VideoLayer::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    if (m_player && m_player->openGLTexture())
        return updateTextureNode(old);
    const std::shared_ptr<SharedFrame> frame = m_player ? m_player->frame() : nullptr;
    const quint64 serial = frame ? frame->serial() : 0;
    if (!frame || serial == 0) {
        delete old;
        m_uploadedSerial = 0;
        return nullptr;
    }
    const QRectF video = videoRectangle();
    const QRectF bounds = boundingRect();

    if (isSoftwareScene(window())) {
        auto *node = dynamic_cast<PainterNode *>(old);
        if (!node) {
            delete old;
            node = new PainterNode(window());
        }
        node->update(frame, video, bounds);
        if (!m_ready)
            markShown(m_player);
        return node;
    }

    // Any other scene graph: the frame goes up as a texture, once per new frame and window.
    auto *node = dynamic_cast<QSGImageNode *>(old);
    if (!node) {
        delete old;
        node = window()->createImageNode();
        node->setOwnsTexture(true);
        m_uploadedSerial = 0;
    }
    QSize imageSize;
    if (serial != m_uploadedSerial) {
        frame->withFrame([&](const QImage &image, bool fillsLayer) {
            node->setTexture(window()->createTextureFromImage(image.copy()));
            imageSize = image.size();
            m_uploadedFillsLayer = fillsLayer;
        });
        m_uploadedSerial = serial;
    } else {
        imageSize = node->texture()->textureSize();
    }
    const Placement placement = place(video, bounds, imageSize, m_uploadedFillsLayer);
    node->setRect(placement.target);
    node->setSourceRect(placement.source);
    node->setFiltering(QSGTexture::Linear);
    if (!m_ready)
        markShown(m_player);
    return node;
}

QSGNode *VideoLayer::updateTextureNode(QSGNode *old)
{
    // The player's own texture, drawn once for every window: only the wrapper is per window.
    const unsigned id = m_player->openGLTexture();
    const QSize size = m_player->openGLTextureSize();
    auto *node = dynamic_cast<QSGImageNode *>(old);
    if (!node) {
        delete old;
        node = window()->createImageNode();
        node->setOwnsTexture(true);
    }
    if (!node->texture() || node->texture()->textureSize() != size || m_wrappedTexture != id) {
        node->setTexture(QNativeInterface::QSGOpenGLTexture::fromNative(id, window(), size));
        m_wrappedTexture = id;
    }
    const Placement placement =
        place(videoRectangle(), boundingRect(), size, m_player->openGLTextureFillsLayer());
    node->setRect(placement.target);
    node->setSourceRect(placement.source);
    node->setFiltering(QSGTexture::Linear);
    node->markDirty(QSGNode::DirtyMaterial);
    m_uploadedSerial = 0;
    if (!m_ready)
        markShown(m_player);
    return node;
}

void VideoLayer::markShown(LoopingPlayer *player)
{
    // Runs while the scene graph syncs, possibly on its render thread.
    QMetaObject::invokeMethod(
        this,
        [this, player = QPointer<LoopingPlayer>(player)] {
            if (player && player == m_player)
                setReady(true);
        },
        Qt::QueuedConnection);
}

void VideoLayer::setReady(bool ready)
{
    if (ready == m_ready)
        return;
    m_ready = ready;
    emit readyForDisplayChanged();
}

} // namespace quintara
