#include "engine/player/SoftwareRenderer.h"

#include <mpv/render.h>

namespace quintara {

namespace {
// Little-endian "bgr0" is QImage's 0xffRRGGBB word layout.
constexpr char pixelFormat[] = "bgr0";
constexpr int maxSide = 8192;
} // namespace

SoftwareRenderer::SoftwareRenderer(mpv_handle *mpv, std::function<void()> frameDrawn)
    : m_frameDrawn(std::move(frameDrawn))
{
    char apiType[] = MPV_RENDER_API_TYPE_SW;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, apiType},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_context, mpv, params) < 0) {
        m_context = nullptr;
        return;
    }
    mpv_render_context_set_update_callback(m_context, &SoftwareRenderer::onUpdate, this);
    m_thread = std::thread([this] { run(); });
}

SoftwareRenderer::~SoftwareRenderer()
{
    if (!m_context)
        return;
    {
        std::lock_guard lock(m_stateMutex);
        m_quit = true;
    }
    m_wake.notify_one();
    m_thread.join();
    mpv_render_context_set_update_callback(m_context, nullptr, nullptr);
    mpv_render_context_free(m_context);
}

void SoftwareRenderer::setTarget(const QSize &size, bool fillsLayer)
{
    const QSize bounded = size.isEmpty() ? QSize() : size.boundedTo(QSize(maxSide, maxSide));
    {
        std::lock_guard lock(m_stateMutex);
        if (bounded == m_target && fillsLayer == m_fillsLayer)
            return;
        m_target = bounded;
        m_fillsLayer = fillsLayer;
        m_redrawPending = true;
    }
    m_wake.notify_one();
}

void SoftwareRenderer::onUpdate(void *self)
{
    auto *renderer = static_cast<SoftwareRenderer *>(self);
    {
        std::lock_guard lock(renderer->m_stateMutex);
        renderer->m_updatePending = true;
    }
    renderer->m_wake.notify_one();
}

void SoftwareRenderer::run()
{
    std::unique_lock lock(m_stateMutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_updatePending || m_redrawPending; });
        if (m_quit)
            return;
        const bool update = m_updatePending;
        const bool redraw = m_redrawPending;
        m_updatePending = false;
        m_redrawPending = false;
        const QSize size = m_target;
        const bool fillsLayer = m_fillsLayer;
        lock.unlock();

        const bool newFrame =
            update && (mpv_render_context_update(m_context) & MPV_RENDER_UPDATE_FRAME);
        m_hasVideoFrame = m_hasVideoFrame || newFrame;
        if (m_hasVideoFrame && (newFrame || redraw)) {
            if (size.isEmpty()) {
                // Nobody shows this player: let the frame go without drawing it.
                int skip = 1;
                mpv_render_param params[] = {
                    {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
                    {MPV_RENDER_PARAM_INVALID, nullptr},
                };
                mpv_render_context_render(m_context, params);
            } else {
                draw(size, fillsLayer);
            }
        }
        lock.lock();
    }
}

void SoftwareRenderer::draw(const QSize &size, bool fillsLayer)
{
    if (m_back.size() != size)
        m_back = QImage(size, QImage::Format_RGB32);
    int sw[2] = {size.width(), size.height()};
    size_t stride = size_t(m_back.bytesPerLine());
    char format[sizeof pixelFormat];
    std::copy(std::begin(pixelFormat), std::end(pixelFormat), format);
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SW_SIZE, sw},        {MPV_RENDER_PARAM_SW_FORMAT, format},
        {MPV_RENDER_PARAM_SW_STRIDE, &stride}, {MPV_RENDER_PARAM_SW_POINTER, m_back.bits()},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_render(m_context, params) < 0)
        return;
    m_frame->publish(m_back, fillsLayer);
    ++m_drawn;
    m_frameDrawn();
}

} // namespace quintara
