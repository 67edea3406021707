#include "TestMedia.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace quintara::test {

namespace {

QString cacheDir()
{
    QString dir = qEnvironmentVariable("QUINTARA_TEST_MEDIA_DIR");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/quintara-test-media");
    QDir().mkpath(dir);
    return dir;
}

bool runFfmpeg(const QStringList &arguments)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                             QStringLiteral("error"), QStringLiteral("-y")} +
                     arguments);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        qWarning("ffmpeg failed: %s", ffmpeg.readAll().constData());
        return false;
    }
    return true;
}

} // namespace

QString testVideo(const VideoSpec &spec)
{
    const QString key = QStringLiteral("%1x%2-%3s-%4fps-%5-%6-r%7")
                            .arg(spec.width)
                            .arg(spec.height)
                            .arg(spec.seconds)
                            .arg(spec.fps)
                            .arg(spec.source, spec.codec)
                            .arg(spec.rotation);
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    const QString path =
        cacheDir() + QStringLiteral("/clip-") + hash + QLatin1Char('.') + spec.extension;
    if (QFileInfo::exists(path))
        return path;

    // Write under a private name and rename, so tests running side by side never see half a file.
    const QString partial =
        path +
        QStringLiteral(".%1.part.%2").arg(QCoreApplication::applicationPid()).arg(spec.extension);
    const QString lavfi = QStringLiteral("%1=size=%2x%3:rate=%4")
                              .arg(spec.source)
                              .arg(spec.width)
                              .arg(spec.height)
                              .arg(spec.fps);
    QStringList encode{QStringLiteral("-f"),       QStringLiteral("lavfi"),
                       QStringLiteral("-i"),       lavfi,
                       QStringLiteral("-t"),       QString::number(spec.seconds),
                       QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                       QStringLiteral("-c:v"),     spec.codec};
    if (spec.codec == QLatin1String("libx264"))
        encode << QStringLiteral("-preset") << QStringLiteral("ultrafast");
    bool ok;
    if (spec.rotation == 0) {
        ok = runFfmpeg(encode << partial);
    } else {
        // The display matrix is written only when stream-copying.
        const QString plain = partial + QStringLiteral(".plain.") + spec.extension;
        ok = runFfmpeg(QStringList(encode) << plain) &&
             runFfmpeg({QStringLiteral("-i"), plain, QStringLiteral("-c"), QStringLiteral("copy"),
                        QStringLiteral("-metadata:s:v:0"),
                        QStringLiteral("rotate=%1").arg(spec.rotation), partial});
        QFile::remove(plain);
    }
    if (!ok || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        if (!QFileInfo::exists(path))
            qFatal("cannot make the test video %s", qPrintable(key));
    }
    return path;
}

bool copyTestVideo(const QString &destination, const VideoSpec &spec)
{
    const QString source = testVideo(spec);
    QDir().mkpath(QFileInfo(destination).absolutePath());
    QFile::remove(destination);
    return QFile::copy(source, destination);
}

} // namespace quintara::test
