#pragma once

#include "settings/FillMode.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>

struct mpv_handle;

namespace quintara {

class OpenGLRenderer;
class SharedFrame;
class SoftwareRenderer;

// Names of the mpv properties the player observes: its state comes back only through them.
namespace mpvproperty {
inline constexpr char pause[] = "pause";
inline constexpr char speed[] = "speed";
inline constexpr char timePos[] = "time-pos";
inline constexpr char videoOutParams[] = "video-out-params";
inline constexpr char videoRotation[] = "current-tracks/video/demux-rotation";
} // namespace mpvproperty

// A muted video looping forever on libmpv. It decodes no audio, loops the whole file, and is
// created paused at rate 0. Its frames are drawn once per new video frame, at the size the
// largest of its video layers needs, and shared by every layer that shows it. A file that cannot
// be decoded simply never becomes ready.
class LoopingPlayer : public QObject {
    Q_OBJECT
    Q_PROPERTY(QUrl url READ url CONSTANT)
    Q_PROPERTY(double rate READ rate WRITE setRate NOTIFY rateChanged)
    Q_PROPERTY(double defaultRate READ defaultRate WRITE setDefaultRate NOTIFY defaultRateChanged)
    Q_PROPERTY(bool readyForDisplay READ isReadyForDisplay NOTIFY firstFrameReady)
    Q_PROPERTY(bool paused READ isPaused NOTIFY pausedChanged)
    Q_PROPERTY(double speed READ speed NOTIFY speedChanged)
    Q_PROPERTY(double timePos READ timePos NOTIFY timePosChanged)
    Q_PROPERTY(QSize videoSize READ videoSize NOTIFY videoSizeChanged)
    Q_PROPERTY(bool decodingReduced READ isDecodingReduced NOTIFY decodingReducedChanged)

public:
    explicit LoopingPlayer(const QUrl &file, QObject *parent = nullptr);
    ~LoopingPlayer() override;

    QUrl url() const { return m_url; }

    // The speed at which play() starts the player.
    void setDefaultRate(double rate);
    double defaultRate() const { return m_defaultRate; }
    // 0 (or less) pauses on the current frame: nothing is decoded or drawn. A positive rate
    // plays at that speed from the current frame.
    void setRate(double rate);
    // The rate last asked for; what mpv does is paused() and speed().
    double rate() const { return m_rate; }
    void play() { setRate(m_defaultRate); }
    void pause() { setRate(0); }

    // True once a frame has been drawn for a layer; stays true.
    bool isReadyForDisplay() const { return m_ready; }

    // As mpv reports them.
    bool isPaused() const { return m_paused; }
    double speed() const { return m_speed; }
    double timePos() const { return m_timePos; }
    // The video's display size (rotation and aspect applied); empty until known.
    QSize videoSize() const { return m_videoSize; }

    // True while mpv decodes and scales the cheaper way, because every layer shows the video at
    // half its size or less in both directions, where the downscale hides the difference: no
    // in-loop deblocking (H.264, HEVC) and a bilinear scaler. Only where the CPU decodes and
    // draws (the software route). The cheaper path starts at the next loop start (re-opening
    // the decoder there costs a few frames); full decoding comes back at once.
    bool isDecodingReduced() const { return m_decodingReduced; }

    // Frames drawn so far, each shared by every layer.
    quint64 drawnFrames() const;

    // What a video layer needs, in pixels: the size of the whole video as it would show it,
    // and its own size and fill mode.
    struct FrameRequest {
        QSize whole;
        QSize layer;
        FillMode mode = FillMode::fill;
        // The layer places the whole video itself (while gliding between fill modes).
        bool wholeVideo = false;
        bool operator==(const FrameRequest &) const = default;
    };
    // For video layers. When every layer has the same size and mode, mpv draws exactly their
    // picture (scaled and cropped); otherwise it draws the whole video at the largest size
    // asked for and each layer scales it. With no layer nothing is drawn.
    void requestFrameSize(const QObject *layer, const FrameRequest &request);
    void releaseFrameSize(const QObject *layer);
    // The latest frame drawn in memory; null on the OpenGL route or when mpv failed to start.
    std::shared_ptr<SharedFrame> frame() const;
    // On the OpenGL route: the texture holding the latest frame (0 before the first), shared
    // with every window's context, and its size.
    unsigned openGLTexture() const;
    QSize openGLTextureSize() const;
    bool openGLTextureFillsLayer() const;

signals:
    void firstFrameReady();
    void frameDrawn();
    void rateChanged();
    void defaultRateChanged();
    void pausedChanged();
    void speedChanged();
    void timePosChanged();
    void videoSizeChanged();
    void decodingReducedChanged();

private:
    void drainEvents();
    void onFrameDrawn();
    void handlePropertyChange(const char *name, int format, void *data);
    void updateTargetSize();
    void applyTarget();
    void applyDecoding();

    QUrl m_url;
    mpv_handle *m_mpv = nullptr;
    std::unique_ptr<SoftwareRenderer> m_renderer;
    std::unique_ptr<OpenGLRenderer> m_glRenderer;
    double m_defaultRate = 1.0;
    double m_rate = 0.0;
    bool m_ready = false;
    bool m_paused = true;
    double m_speed = 1.0;
    double m_timePos = 0.0;
    QSize m_videoSize;
    QList<std::pair<const QObject *, FrameRequest>> m_requests;
    int m_scaling = -1; // the fill mode mpv scales for, or -1 for the whole video
    // mpv takes a new scaling asynchronously; the renderers keep their old target until it has,
    // so no frame is drawn at the new size with the old scaling (a fitted video stretched once).
    int m_scalingReplies = 0;
    QSize m_pendingTarget;
    bool m_pendingExact = false;
    QByteArray m_rotationFilter;
    bool m_decodingReduced = false;
    bool m_wantsReducedDecoding = false;
    bool m_positionKnown = false; // a frame has been shown
    std::atomic<bool> m_eventsQueued{false};
    std::atomic<bool> m_frameQueued{false};
};

} // namespace quintara
