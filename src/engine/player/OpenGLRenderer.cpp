#include "engine/player/OpenGLRenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <mpv/render_gl.h>

namespace quintara {

namespace {

void *procAddress(void *context, const char *name)
{
    return reinterpret_cast<void *>(
        static_cast<QOpenGLContext *>(context)->getProcAddress(QByteArray(name)));
}

} // namespace

OpenGLRenderer::OpenGLRenderer(mpv_handle *mpv, QObject *parent) : QObject(parent)
{
    QOpenGLContext *share = QOpenGLContext::globalShareContext();
    if (!share)
        return;
    m_gl = std::make_unique<QOpenGLContext>();
    m_gl->setShareContext(share);
    m_gl->setFormat(share->format());
    m_surface = std::make_unique<QOffscreenSurface>();
    m_surface->setFormat(share->format());
    m_surface->create();
    if (!m_gl->create() || !m_gl->makeCurrent(m_surface.get()))
        return;

    char apiType[] = MPV_RENDER_API_TYPE_OPENGL;
    mpv_opengl_init_params init{&procAddress, m_gl.get()};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, apiType},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &init},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_context, mpv, params) < 0)
        m_context = nullptr;
    else
        mpv_render_context_set_update_callback(m_context, &OpenGLRenderer::onUpdate, this);
    m_gl->doneCurrent();
}

OpenGLRenderer::~OpenGLRenderer()
{
    if (!m_context)
        return;
    m_gl->makeCurrent(m_surface.get());
    mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
    mpv_render_context_free(m_context);
    m_fbo.reset();
    m_gl->doneCurrent();
}

void OpenGLRenderer::onUpdate(void *self)
{
    auto *renderer = static_cast<OpenGLRenderer *>(self);
    if (!renderer->m_queued.exchange(true))
        QMetaObject::invokeMethod(renderer, &OpenGLRenderer::renderPending, Qt::QueuedConnection);
}

void OpenGLRenderer::setTarget(const QSize &size, bool fillsLayer)
{
    const QSize bounded = size.isEmpty() ? QSize() : size.boundedTo(QSize(8192, 8192));
    if (bounded == m_target && fillsLayer == m_fillsLayer)
        return;
    m_target = bounded;
    m_fillsLayer = fillsLayer;
    if (m_context && m_hasVideoFrame) {
        m_gl->makeCurrent(m_surface.get());
        draw(false);
        m_gl->doneCurrent();
    }
}

void OpenGLRenderer::renderPending()
{
    m_queued = false;
    if (!m_context)
        return;
    m_gl->makeCurrent(m_surface.get());
    const bool newFrame = mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME;
    m_hasVideoFrame = m_hasVideoFrame || newFrame;
    if (newFrame)
        draw(true);
    m_gl->doneCurrent();
}

void OpenGLRenderer::draw(bool newFrame)
{
    if (m_target.isEmpty()) {
        if (newFrame) {
            int skip = 1;
            mpv_render_param params[] = {{MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
                                         {MPV_RENDER_PARAM_INVALID, nullptr}};
            mpv_render_context_render(m_context, params);
        }
        return;
    }
    if (!m_fbo || m_fbo->size() != m_target)
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(m_target);
    mpv_opengl_fbo fbo{int(m_fbo->handle()), m_target.width(), m_target.height(), 0};
    int flip = 0; // upright in a framebuffer object
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(m_context, params) < 0)
        return;
    // The windows' contexts read the texture next; make the drawing visible to them.
    m_gl->functions()->glFlush();
    m_drawnFillsLayer = m_fillsLayer;
    ++m_drawn;
    emit frameDrawn();
}

unsigned OpenGLRenderer::texture() const
{
    return m_fbo && m_drawn ? m_fbo->texture() : 0;
}

QSize OpenGLRenderer::textureSize() const
{
    return m_fbo ? m_fbo->size() : QSize();
}

} // namespace quintara
