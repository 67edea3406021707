#include "engine/player/LoopingPlayer.h"

#include "engine/player/OpenGLRenderer.h"
#include "engine/player/RenderPath.h"
#include "engine/player/SoftwareRenderer.h"

#include <QMetaObject>
#include <cmath>
#include <mpv/client.h>

namespace quintara {

namespace {

// mpv's own speed limits.
constexpr double minSpeed = 0.01;
constexpr double maxSpeed = 100.0;
// Tags the replies to a change of scaling, so the renderers learn when mpv has taken it.
constexpr uint64_t scalingReply = 1;

// The cheaper decoding path waits for a time position this close to the loop's start.
constexpr double loopStartWindow = 0.5;

// mpv's decoding and scaling options on the software route, full and reduced.
struct DecodingOptions {
    const char *skipLoopFilter;
    const char *scaler;
};
constexpr DecodingOptions fullDecoding{"default", "bicubic"};
constexpr DecodingOptions reducedDecoding{"all", "bilinear"};
// mpv opens the decoder anew, and so reads its options again, only when "hwdec" changes. On the
// software route no codec may use hardware ("hwdec-codecs" is empty), so both values decode in
// software; the player alternates between them to re-open the decoder.
constexpr const char *softwareDecoders[] = {"no", "auto-safe"};

enum ObservationId : uint64_t {
    observePause = 1,
    observeSpeed,
    observeTimePos,
    observeOutParams,
    observeRotation,
};

// mpv's software renderer cannot turn pictures (it aborts on a quarter turn), so on that route
// the stored rotation is applied by a filter before the frames reach it.
QByteArray rotationFilter(qint64 degrees)
{
    switch (((degrees % 360) + 360) % 360) {
    case 90:
        return QByteArrayLiteral("lavfi=[transpose=clock]");
    case 180:
        return QByteArrayLiteral("lavfi=[hflip,vflip]");
    case 270:
        return QByteArrayLiteral("lavfi=[transpose=cclock]");
    default:
        return QByteArray();
    }
}

void setOption(mpv_handle *mpv, const char *name, const char *value)
{
    mpv_set_option_string(mpv, name, value);
}

void setPropertyAsync(mpv_handle *mpv, const char *name, const char *value)
{
    char *data = const_cast<char *>(value); // copied by mpv
    mpv_set_property_async(mpv, 0, name, MPV_FORMAT_STRING, &data);
}

const mpv_node *mapValue(const mpv_node &map, const char *key)
{
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (qstrcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

qint64 intValue(const mpv_node *node)
{
    if (!node)
        return 0;
    if (node->format == MPV_FORMAT_INT64)
        return node->u.int64;
    if (node->format == MPV_FORMAT_DOUBLE)
        return qint64(node->u.double_);
    return 0;
}

} // namespace

LoopingPlayer::LoopingPlayer(const QUrl &file, QObject *parent) : QObject(parent), m_url(file)
{
    m_mpv = mpv_create();
    if (!m_mpv)
        return;
    // Quiet, windowless and silent: no audio track is ever selected, so nothing is decoded
    // for sound; the whole file loops inside mpv, which keeps the last frame up while it
    // seeks back, so the loop point shows no black frame.
    setOption(m_mpv, "config", "no");
    setOption(m_mpv, "terminal", "no");
    setOption(m_mpv, "msg-level", "all=no");
    setOption(m_mpv, "vo", "libmpv");
    setOption(m_mpv, "aid", "no");
    setOption(m_mpv, "ao", "null");
    setOption(m_mpv, "sid", "no");
    setOption(m_mpv, "sub-auto", "no");
    setOption(m_mpv, "audio-file-auto", "no");
    setOption(m_mpv, "loop-file", "inf");
    setOption(m_mpv, "pause", "yes");
    setOption(m_mpv, "idle", "yes");
    setOption(m_mpv, "keepaspect", "no");
    setOption(m_mpv, "osd-level", "0");
    setOption(m_mpv, "input-default-bindings", "no");
    setOption(m_mpv, "input-vo-keyboard", "no");
    setOption(m_mpv, "load-scripts", "no");
    // mpv's built-in scripts (statistics page, console, conditional profiles) each run a Lua
    // interpreter of their own on a thread that wakes for every property change.
    setOption(m_mpv, "load-stats-overlay", "no");
    setOption(m_mpv, "load-osd-console", "no");
    setOption(m_mpv, "load-auto-profiles", "no");
    setOption(m_mpv, "ytdl", "no");
    setOption(m_mpv, "cache", "no");
    setOption(m_mpv, "demuxer-max-bytes", "16MiB");
    setOption(m_mpv, "demuxer-max-back-bytes", "0");
    setOption(m_mpv, "hwdec", renderPath() == RenderPath::openGL ? "auto-safe" : "no");
    if (renderPath() == RenderPath::software) {
        setOption(m_mpv, "video-rotate", "no");
        setOption(m_mpv, "hwdec-codecs", "");
        // libswscale's SIMD converters, not zimg: about half the cost of turning each frame
        // into RGB, the biggest share of the drawing after decoding itself.
        setOption(m_mpv, "sws-allow-zimg", "no");
        setOption(m_mpv, "sws-fast", "yes");
        setOption(m_mpv, "sws-scaler", fullDecoding.scaler);
    }
    if (mpv_initialize(m_mpv) < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        return;
    }

    mpv_observe_property(m_mpv, observePause, mpvproperty::pause, MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, observeSpeed, mpvproperty::speed, MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, observeTimePos, mpvproperty::timePos, MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, observeOutParams, mpvproperty::videoOutParams, MPV_FORMAT_NODE);
    if (renderPath() == RenderPath::software)
        mpv_observe_property(m_mpv, observeRotation, mpvproperty::videoRotation, MPV_FORMAT_INT64);
    mpv_set_wakeup_callback(
        m_mpv,
        [](void *self) {
            auto *player = static_cast<LoopingPlayer *>(self);
            if (!player->m_eventsQueued.exchange(true))
                QMetaObject::invokeMethod(player, &LoopingPlayer::drainEvents,
                                          Qt::QueuedConnection);
        },
        this);

    // The renderer must exist before the file is loaded, or mpv opens a window of its own.
    if (renderPath() == RenderPath::openGL) {
        m_glRenderer = std::make_unique<OpenGLRenderer>(m_mpv);
        if (m_glRenderer->isValid())
            connect(m_glRenderer.get(), &OpenGLRenderer::frameDrawn, this,
                    &LoopingPlayer::onFrameDrawn);
        else
            m_glRenderer.reset(); // no shared context: frames are drawn in memory instead
    }
    if (!m_glRenderer) {
        m_renderer = std::make_unique<SoftwareRenderer>(m_mpv, [this] {
            if (!m_frameQueued.exchange(true))
                QMetaObject::invokeMethod(this, &LoopingPlayer::onFrameDrawn, Qt::QueuedConnection);
        });
        if (!m_renderer->isValid())
            return;
    }
    const QByteArray path = m_url.isLocalFile() ? m_url.toLocalFile().toUtf8() : m_url.toEncoded();
    const char *command[] = {"loadfile", path.constData(), nullptr};
    mpv_command_async(m_mpv, 0, command);
}

LoopingPlayer::~LoopingPlayer()
{
    if (!m_mpv)
        return;
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    m_renderer.reset(); // before the core goes
    m_glRenderer.reset();
    mpv_terminate_destroy(m_mpv);
}

void LoopingPlayer::setDefaultRate(double rate)
{
    if (rate == m_defaultRate)
        return;
    m_defaultRate = rate;
    emit defaultRateChanged();
}

void LoopingPlayer::setRate(double rate)
{
    if (!std::isfinite(rate) || rate < 0)
        rate = 0;
    if (rate == m_rate)
        return;
    m_rate = rate;
    if (m_mpv) {
        if (rate > 0) {
            double speed = std::clamp(rate, minSpeed, maxSpeed);
            mpv_set_property_async(m_mpv, 0, mpvproperty::speed, MPV_FORMAT_DOUBLE, &speed);
        }
        int paused = rate > 0 ? 0 : 1;
        mpv_set_property_async(m_mpv, 0, mpvproperty::pause, MPV_FORMAT_FLAG, &paused);
    }
    emit rateChanged();
}

quint64 LoopingPlayer::drawnFrames() const
{
    if (m_glRenderer)
        return m_glRenderer->drawnFrames();
    return m_renderer ? m_renderer->drawnFrames() : 0;
}

void LoopingPlayer::requestFrameSize(const QObject *layer, const FrameRequest &wanted)
{
    for (auto &request : m_requests) {
        if (request.first == layer) {
            if (request.second == wanted)
                return;
            request.second = wanted;
            updateTargetSize();
            return;
        }
    }
    m_requests.append({layer, wanted});
    updateTargetSize();
}

void LoopingPlayer::releaseFrameSize(const QObject *layer)
{
    m_requests.removeIf([layer](const auto &request) { return request.first == layer; });
    updateTargetSize();
}

unsigned LoopingPlayer::openGLTexture() const
{
    return m_glRenderer ? m_glRenderer->texture() : 0;
}

bool LoopingPlayer::openGLTextureFillsLayer() const
{
    return m_glRenderer && m_glRenderer->textureFillsLayer();
}

QSize LoopingPlayer::openGLTextureSize() const
{
    return m_glRenderer ? m_glRenderer->textureSize() : QSize();
}

std::shared_ptr<SharedFrame> LoopingPlayer::frame() const
{
    return m_renderer && m_renderer->isValid() ? m_renderer->frame() : nullptr;
}

void LoopingPlayer::updateTargetSize()
{
    QSize largest;
    QSize shown; // the widest and the tallest the video is shown
    const FrameRequest *common = nullptr;
    bool alike = true;
    for (const auto &[layer, request] : m_requests) {
        const QSize size = request.whole;
        if (size.isEmpty() || request.layer.isEmpty())
            continue;
        if (!common)
            common = &request;
        else if (request.layer != common->layer || request.mode != common->mode)
            alike = false;
        alike = alike && !request.wholeVideo;
        shown = shown.expandedTo(size);
        if (largest.isEmpty() ||
            qint64(size.width()) * size.height() > qint64(largest.width()) * largest.height())
            largest = size;
    }
    // Layers that all show the same picture (one display, or every display of a spanning
    // canvas) get exactly that from mpv: nothing outside it is drawn, nothing is scaled twice.
    const bool exact = common && alike;
    const int scaling = exact ? int(common->mode) : -1;
    if (m_mpv && scaling != m_scaling) {
        m_scaling = scaling;
        int keepAspect = exact && common->mode != FillMode::stretch ? 1 : 0;
        double panScan = exact && common->mode == FillMode::fill ? 1.0 : 0.0;
        if (mpv_set_property_async(m_mpv, scalingReply, "keepaspect", MPV_FORMAT_FLAG,
                                   &keepAspect) >= 0)
            ++m_scalingReplies;
        if (mpv_set_property_async(m_mpv, scalingReply, "panscan", MPV_FORMAT_DOUBLE, &panScan) >=
            0)
            ++m_scalingReplies;
    }
    m_pendingTarget = exact ? common->layer : largest;
    m_pendingExact = exact;
    if (m_scalingReplies == 0)
        applyTarget();

    // No layer may lose detail it would show.
    if (!shown.isEmpty() && !m_videoSize.isEmpty()) {
        m_wantsReducedDecoding = renderPath() == RenderPath::software &&
                                 shown.width() * 2 <= m_videoSize.width() &&
                                 shown.height() * 2 <= m_videoSize.height();
        applyDecoding();
    }
}

void LoopingPlayer::applyDecoding()
{
    // Re-opening the decoder resumes exactly at the frame shown, decoding from the keyframe
    // before it: so not before a frame is shown, and on the way to the cheaper path only while
    // playing near the loop's start, where that is a few frames rather than seconds of video.
    if (!m_mpv || !m_positionKnown || m_wantsReducedDecoding == m_decodingReduced)
        return;
    if (m_wantsReducedDecoding && (m_timePos > loopStartWindow || m_rate <= 0))
        return;
    m_decodingReduced = m_wantsReducedDecoding;
    const DecodingOptions &options = m_decodingReduced ? reducedDecoding : fullDecoding;
    setPropertyAsync(m_mpv, "vd-lavc-skiploopfilter", options.skipLoopFilter);
    setPropertyAsync(m_mpv, "sws-scaler", options.scaler);
    setPropertyAsync(m_mpv, "hwdec", softwareDecoders[m_decodingReduced ? 1 : 0]);
    emit decodingReducedChanged();
}

void LoopingPlayer::applyTarget()
{
    if (m_glRenderer)
        m_glRenderer->setTarget(m_pendingTarget, m_pendingExact);
    if (m_renderer)
        m_renderer->setTarget(m_pendingTarget, m_pendingExact);
}

void LoopingPlayer::onFrameDrawn()
{
    m_frameQueued = false;
    if (!m_ready) {
        m_ready = true;
        emit firstFrameReady();
    }
    emit frameDrawn();
}

void LoopingPlayer::drainEvents()
{
    m_eventsQueued = false;
    while (m_mpv) {
        mpv_event *event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        if (event->event_id == MPV_EVENT_SET_PROPERTY_REPLY &&
            event->reply_userdata == scalingReply && m_scalingReplies > 0) {
            if (--m_scalingReplies == 0)
                applyTarget();
        }
        if (event->event_id == MPV_EVENT_PROPERTY_CHANGE) {
            auto *change = static_cast<mpv_event_property *>(event->data);
            handlePropertyChange(change->name, change->format, change->data);
        }
        // A file that fails to load ends with MPV_EVENT_END_FILE and an error; the player
        // then simply stays without frames, as a wallpaper that cannot be shown should.
    }
}

void LoopingPlayer::handlePropertyChange(const char *name, int format, void *data)
{
    if (qstrcmp(name, mpvproperty::pause) == 0 && format == MPV_FORMAT_FLAG) {
        const bool paused = *static_cast<int *>(data) != 0;
        if (paused != m_paused) {
            m_paused = paused;
            emit pausedChanged();
        }
    } else if (qstrcmp(name, mpvproperty::speed) == 0 && format == MPV_FORMAT_DOUBLE) {
        const double speed = *static_cast<double *>(data);
        if (speed != m_speed) {
            m_speed = speed;
            emit speedChanged();
        }
    } else if (qstrcmp(name, mpvproperty::timePos) == 0 && format == MPV_FORMAT_DOUBLE) {
        m_timePos = *static_cast<double *>(data);
        m_positionKnown = true;
        emit timePosChanged();
        applyDecoding(); // waiting for the loop's start
    } else if (qstrcmp(name, mpvproperty::videoRotation) == 0 && format == MPV_FORMAT_INT64) {
        const QByteArray filter = rotationFilter(*static_cast<int64_t *>(data));
        if (filter != m_rotationFilter && m_mpv) {
            m_rotationFilter = filter;
            const char *command[] = {"vf", "set", filter.constData(), nullptr};
            mpv_command_async(m_mpv, 0, command);
        }
    } else if (qstrcmp(name, mpvproperty::videoOutParams) == 0) {
        QSize size;
        if (format == MPV_FORMAT_NODE) {
            const auto &params = *static_cast<mpv_node *>(data);
            size =
                QSize(int(intValue(mapValue(params, "dw"))), int(intValue(mapValue(params, "dh"))));
            const qint64 rotate = intValue(mapValue(params, "rotate"));
            if (rotate % 180 == 90)
                size.transpose();
        }
        if (size.isEmpty())
            size = QSize();
        if (size != m_videoSize) {
            m_videoSize = size;
            emit videoSizeChanged();
        }
    }
}

} // namespace quintara
