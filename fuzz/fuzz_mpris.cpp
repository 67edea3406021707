// A music player's MPRIS state: a PlaybackStatus and a Metadata dictionary with values of any
// type under any key. The announced dictionary holds only strings, and the track the center
// takes from it says exactly what the dictionary says. The input is the status on its first
// line, then one entry a line: key, a letter for the type, and the value, split by tabs.
#include "FuzzSupport.h"
#include "activities/ActivityCenter.h"
#include "platform/MediaPlayers.h"
#include "platform/linux/MprisPlayers.h"

#include <QDBusObjectPath>

using namespace quintara;

namespace {

QVariant value(const QList<QByteArray> &fields)
{
    const QByteArray type = fields.value(1), text = fields.value(2);
    if (type == "as") {
        QStringList list;
        for (const QByteArray &field : fields.mid(2))
            list.append(QString::fromUtf8(field));
        return list;
    }
    if (type == "o")
        return QVariant::fromValue(QDBusObjectPath(QString::fromUtf8(text)));
    if (type == "x")
        return text.toLongLong();
    if (type == "d")
        return text.toDouble();
    if (type == "b")
        return text == "true";
    if (type == "a{sv}")
        return QVariantMap{{QString::fromUtf8(text), QString::fromUtf8(fields.value(3))}};
    return QString::fromUtf8(text);
}

std::optional<QString> entry(const QVariantMap &info, const char *key)
{
    return info.contains(QLatin1String(key))
               ? std::optional(info.value(QLatin1String(key)).toString())
               : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    const QList<QByteArray> lines =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');
    const QString status = QString::fromUtf8(lines.first());
    QVariantMap metadata;
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> fields = line.split('\t');
        metadata.insert(QString::fromUtf8(fields.first()), value(fields));
    }

    const QVariantMap info = MprisPlayers::info(status, metadata);
    for (const QVariant &announced : info)
        FUZZ_CHECK(announced.typeId() == QMetaType::QString);
    const QString state = *entry(info, playerInfo::state);
    FUZZ_CHECK(state == (status.isEmpty() ? QStringLiteral("Stopped") : status));

    ActivityCenter center(defaultScheduler());
    center.musicChanged(QStringLiteral("org.mpris.MediaPlayer2.fuzz"), MusicApp::music, info);
    const std::optional<NowPlaying> &track = center.nowPlaying();
    FUZZ_CHECK(track.has_value() ==
               (state != QLatin1String("Stopped") && info.contains(playerInfo::name)));
    if (!track)
        return 0;
    FUZZ_CHECK(track->title == entry(info, playerInfo::name));
    FUZZ_CHECK(track->artist == entry(info, playerInfo::artist).value_or(QString()));
    FUZZ_CHECK(track->album == entry(info, playerInfo::album));
    FUZZ_CHECK(track->trackID == entry(info, playerInfo::trackId));
    FUZZ_CHECK(track->artUrl == entry(info, playerInfo::artUrl));
    FUZZ_CHECK(track->isPlaying == (state == QLatin1String("Playing")));
    return 0;
}
