#pragma once

#include <QImage>
#include <QSize>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct mpv_handle;
struct mpv_render_context;

namespace quintara {

// The latest drawn frame, shared between the render thread that publishes it and the scene
// graph nodes that paint it; nodes may outlive the player.
class SharedFrame {
public:
    // Calls `use` with the frame (null before the first), holding it against the next swap.
    // Keep it short: the render thread waits to publish its next frame meanwhile.
    void withFrame(const std::function<void(const QImage &)> &use) const
    {
        std::lock_guard lock(m_mutex);
        use(m_image);
    }
    // The same, also telling whether the frame is the layers' whole picture (already scaled and
    // cropped for them) rather than the whole video.
    void withFrame(const std::function<void(const QImage &, bool fillsLayer)> &use) const
    {
        std::lock_guard lock(m_mutex);
        use(m_image, m_fillsLayer);
    }
    // Swaps `drawn` in as the latest frame; `drawn` gets the previous buffer back for reuse.
    void publish(QImage &drawn, bool fillsLayer)
    {
        std::lock_guard lock(m_mutex);
        m_image.swap(drawn);
        m_fillsLayer = fillsLayer;
        ++m_serial;
    }
    // Changes with every published frame.
    quint64 serial() const
    {
        std::lock_guard lock(m_mutex);
        return m_serial;
    }

private:
    mutable std::mutex m_mutex;
    QImage m_image;
    bool m_fillsLayer = false;
    quint64 m_serial = 0;
};

// mpv's software renderer on a thread of its own. Each new video frame is drawn once into an
// image of the requested size; every layer that shows the player paints that one image. While
// the player is paused mpv offers no new frame, so nothing is drawn; a new size redraws the
// current frame once.
class SoftwareRenderer {
public:
    // `frameDrawn` runs on the render thread after each drawn frame; it must not call libmpv.
    SoftwareRenderer(mpv_handle *mpv, std::function<void()> frameDrawn);
    ~SoftwareRenderer();
    SoftwareRenderer(const SoftwareRenderer &) = delete;
    SoftwareRenderer &operator=(const SoftwareRenderer &) = delete;

    bool isValid() const { return m_context != nullptr; }

    // The pixel size to draw at, and whether mpv scales and crops for the layers (fillsLayer)
    // or draws the whole video. An empty size means nobody shows the frames, which are then
    // consumed without drawing.
    void setTarget(const QSize &size, bool fillsLayer);

    // Frames drawn so far (new frames and redraws at a new size).
    quint64 drawnFrames() const { return m_drawn.load(); }

    const std::shared_ptr<SharedFrame> &frame() const { return m_frame; }

private:
    static void onUpdate(void *self);
    void run();
    void draw(const QSize &size, bool fillsLayer);

    mpv_render_context *m_context = nullptr;
    std::function<void()> m_frameDrawn;

    std::mutex m_stateMutex;
    std::condition_variable m_wake;
    bool m_quit = false;
    bool m_updatePending = false;
    bool m_redrawPending = false;
    bool m_hasVideoFrame = false; // render thread only
    QSize m_target;
    bool m_fillsLayer = false;

    std::shared_ptr<SharedFrame> m_frame = std::make_shared<SharedFrame>();
    QImage m_back; // render thread only

    std::atomic<quint64> m_drawn{0};
    std::thread m_thread;
};

} // namespace quintara
