#include "library/ThumbnailCache.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QTransform>
#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace quintara {

namespace {

constexpr double posterSeconds = 1.0;
// A file whose decoder gives no picture after this many packets is not worth reading on.
constexpr int packetBudget = 4096;

struct FormatCloser {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};

// Clockwise degrees (0, 90, 180 or 270) that turn the stored picture upright.
int uprightRotation(const AVStream *stream)
{
    const uint8_t *matrix = nullptr;
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 29, 100)
    const AVPacketSideData *side =
        av_packet_side_data_get(stream->codecpar->coded_side_data,
                                stream->codecpar->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX);
    if (side && side->size >= 9 * sizeof(int32_t))
        matrix = side->data;
#else
    size_t size = 0;
    matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (size < 9 * sizeof(int32_t))
        matrix = nullptr;
#endif
    if (!matrix)
        return 0;
    // The matrix gives the counter-clockwise angle; snap to quarter turns.
    const double angle = av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
    if (std::isnan(angle))
        return 0;
    int clockwise = int(std::lround(-angle / 90.0)) * 90 % 360;
    if (clockwise < 0)
        clockwise += 360;
    return clockwise;
}

// The first picture the decoder gives from the packets after the current read position.
std::unique_ptr<AVFrame, FrameFreer> firstFrame(AVFormatContext *format, AVCodecContext *codec,
                                                int streamIndex)
{
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    if (!frame || !packet)
        return nullptr;
    for (int budget = packetBudget; budget > 0; --budget) {
        const int read = av_read_frame(format, packet.get());
        if (read < 0) {
            avcodec_send_packet(codec, nullptr); // drain what the decoder holds
        } else if (packet->stream_index != streamIndex) {
            av_packet_unref(packet.get());
            continue;
        } else {
            const int sent = avcodec_send_packet(codec, packet.get());
            av_packet_unref(packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN))
                continue; // a damaged packet; the next key frame may still decode
        }
        const int received = avcodec_receive_frame(codec, frame.get());
        if (received == 0)
            return frame;
        if (read < 0 || received == AVERROR_EOF)
            return nullptr;
    }
    return nullptr;
}

QImage toImage(const AVFrame *frame, int rotation)
{
    if (frame->width <= 0 || frame->height <= 0 || frame->format < 0)
        return {};
    double width = frame->width;
    const double height = frame->height;
    const AVRational aspect = frame->sample_aspect_ratio;
    if (aspect.num > 0 && aspect.den > 0)
        width = width * aspect.num / aspect.den;
    // Fit the box without upscaling; the box is square, so the rotation does not matter here.
    const double scale =
        std::min({1.0, ThumbnailCache::maximumSide / width, ThumbnailCache::maximumSide / height});
    const int outWidth = std::max(1, int(std::lround(width * scale)));
    const int outHeight = std::max(1, int(std::lround(height * scale)));

    std::unique_ptr<SwsContext, ScalerFreer> scaler(
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), outWidth,
                       outHeight, AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    // Honour the stream's matrix and range (BT.709 for HD) rather than the BT.601 default.
    const int *coefficients = sws_getCoefficients(
        frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(frame->colorspace));
    sws_setColorspaceDetails(scaler.get(), coefficients, frame->color_range == AVCOL_RANGE_JPEG,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);

    QImage image(outWidth, outHeight, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) <=
        0)
        return {};
    if (rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    return image;
}

} // namespace

ThumbnailCache::ThumbnailCache(qsizetype byteLimit, QObject *parent)
    : ThumbnailCache(byteLimit, &ThumbnailCache::decodePoster, parent)
{}

ThumbnailCache::ThumbnailCache(qsizetype byteLimit, Decoder decoder, QObject *parent)
    : QObject(parent), m_decode(std::move(decoder))
{
    m_images.setMaxCost(byteLimit);
    m_pool.setMaxThreadCount(workerCount);
}

ThumbnailCache::~ThumbnailCache()
{
    // Results still in flight are dropped with this object; the pool waits for its workers.
    m_pool.waitForDone();
}

QUrl ThumbnailCache::posterSource(const QUrl &video)
{
    const QByteArray id =
        video.toEncoded().toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    return QUrl(QStringLiteral("image://%1/%2")
                    .arg(QLatin1String(posterProviderId), QString::fromLatin1(id)));
}

QUrl ThumbnailCache::videoOfPosterId(const QString &id)
{
    const auto decoded = QByteArray::fromBase64Encoding(
        id.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? QUrl::fromEncoded(*decoded, QUrl::StrictMode) : QUrl();
}

ThumbnailCache &ThumbnailCache::shared()
{
    static QPointer<ThumbnailCache> cache;
    if (!cache)
        cache = new ThumbnailCache(defaultByteLimit, QCoreApplication::instance());
    return *cache;
}

void ThumbnailCache::image(const QUrl &video, QObject *context, Done done)
{
    if (const QImage *stored = m_images.object(video)) {
        done(*stored);
        return;
    }
    auto waiting = m_waiters.find(video);
    if (waiting != m_waiters.end()) {
        waiting->append({context, context != nullptr, std::move(done)});
        return;
    }
    m_waiters.insert(video, {{context, context != nullptr, std::move(done)}});
    m_queue.append(video);
    startQueued();
}

void ThumbnailCache::startQueued()
{
    while (m_running < workerCount && !m_queue.isEmpty()) {
        const QUrl video = m_queue.takeFirst();
        const QList<Waiter> &waiters = m_waiters[video];
        const bool wanted = std::any_of(waiters.begin(), waiters.end(),
                                        [](const Waiter &w) { return !w.hasContext || w.context; });
        if (!wanted) {
            m_waiters.remove(video); // scrolled away before its turn came
            continue;
        }
        ++m_running;
        const QString path = video.isLocalFile() ? video.toLocalFile() : QString();
        // The destructor waits for the workers and then drops the results they posted, so `this`
        // outlives every use here.
        m_pool.start([this, video, path] {
            const QImage image = path.isEmpty() ? QImage() : m_decode(path);
            QMetaObject::invokeMethod(
                this, [this, video, image] { finished(video, image); }, Qt::QueuedConnection);
        });
    }
}

void ThumbnailCache::finished(const QUrl &video, const QImage &image)
{
    --m_running;
    if (!image.isNull())
        m_images.insert(video, new QImage(image), image.sizeInBytes());
    const QList<Waiter> waiters = m_waiters.take(video);
    for (const Waiter &waiter : waiters) {
        if (waiter.hasContext && !waiter.context)
            continue;
        waiter.done(image);
    }
    startQueued();
}

QImage ThumbnailCache::decodePoster(const QString &path)
{
    // A library holds files of every kind of damage; FFmpeg's own complaints about them only
    // clutter the session's log.
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    Q_UNUSED(quiet);
    // Only what the library plays (MP4, QuickTime and M4V share one demuxer), only from a file:
    // a renamed picture or document is refused at once, and a name that looks like another
    // protocol ("concat:...") is read as the file it is.
    AVDictionary *options = nullptr;
    av_dict_set(&options, "format_whitelist", "mov,mp4,m4a,3gp,3g2,mj2", 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext *opened = nullptr;
    const QByteArray url = "file:" + QFile::encodeName(path);
    const int status = avformat_open_input(&opened, url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (status < 0)
        return {};
    std::unique_ptr<AVFormatContext, FormatCloser> format(opened);

    const AVCodec *decoder = nullptr;
    int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    // MP4 and QuickTime headers usually describe the stream fully; probe only when they do not.
    if (streamIndex < 0 || format->streams[streamIndex]->codecpar->width <= 0) {
        if (avformat_find_stream_info(format.get(), nullptr) < 0)
            return {};
        streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    }
    if (streamIndex < 0 || !decoder)
        return {};
    AVStream *stream = format->streams[streamIndex];

    std::unique_ptr<AVCodecContext, CodecFreer> codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0)
        return {};
    // One picture: slice threads help, frame threads would only delay the first output. A fixed
    // few, since several posters decode side by side.
    codec->thread_count = decoderThreads;
    codec->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return {};

    // The key frame at or before 1 s; a file shorter than that gives its last key frame.
    int64_t target =
        av_rescale_q(int64_t(posterSeconds * AV_TIME_BASE), AV_TIME_BASE_Q, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE)
        target += stream->start_time;
    if (av_seek_frame(format.get(), streamIndex, target, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(format.get(), streamIndex, 0, AVSEEK_FLAG_BACKWARD);

    const auto frame = firstFrame(format.get(), codec.get(), streamIndex);
    if (!frame)
        return {};
    return toImage(frame.get(), uprightRotation(stream));
}

} // namespace quintara
