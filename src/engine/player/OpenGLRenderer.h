#pragma once

#include <QObject>
#include <QSize>
#include <atomic>
#include <memory>

struct mpv_handle;
struct mpv_render_context;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

namespace quintara {

// mpv's OpenGL renderer for a real GPU. It draws each new video frame once, into a texture of
// its own context, which shares its objects with every Qt Quick window (the process shares its
// OpenGL contexts), so any number of windows sample the same texture. Works on the main thread,
// woken by mpv; nothing is drawn while the player is paused.
class OpenGLRenderer : public QObject {
    Q_OBJECT

public:
    explicit OpenGLRenderer(mpv_handle *mpv, QObject *parent = nullptr);
    ~OpenGLRenderer() override;

    // False when there is no shared OpenGL context to draw in or mpv refused it.
    bool isValid() const { return m_context != nullptr; }

    void setTarget(const QSize &size, bool fillsLayer);
    quint64 drawnFrames() const { return m_drawn; }

    // The texture holding the latest frame (0 before the first) and its size.
    unsigned texture() const;
    QSize textureSize() const;
    // Whether the texture is the layers' whole picture rather than the whole video.
    bool textureFillsLayer() const { return m_drawnFillsLayer; }

signals:
    void frameDrawn();

private:
    static void onUpdate(void *self);
    void renderPending();
    void draw(bool newFrame);

    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QOpenGLContext> m_gl;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    mpv_render_context *m_context = nullptr;
    std::atomic<bool> m_queued{false};
    bool m_hasVideoFrame = false;
    QSize m_target;
    bool m_fillsLayer = false;
    bool m_drawnFillsLayer = false;
    quint64 m_drawn = 0;
};

} // namespace quintara
