#include "TestMedia.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace quintara::test {

namespace {

bool runFfmpeg(const QStringList &arguments)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start("ffmpeg", QStringList{"-nostdin", "-loglevel", "error", "-y"} + arguments);
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
    QString dir = qEnvironmentVariable("QUINTARA_TEST_MEDIA_DIR");
    if (dir.isEmpty())
        dir = QDir::tempPath() + "/quintara-test-media";
    QDir().mkpath(dir);
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1);
    const QString path =
        dir + "/clip-" + QString::fromLatin1(hash.toHex().left(12)) + "." + spec.extension;
    if (QFileInfo::exists(path))
        return path;

    // Write under a private name and rename, so tests running side by side never see half a file.
    const QString partial = QStringLiteral("%1.%2.part.%3")
                                .arg(path)
                                .arg(QCoreApplication::applicationPid())
                                .arg(spec.extension);
    const QString lavfi = QStringLiteral("%1=size=%2x%3:rate=%4")
                              .arg(spec.source)
                              .arg(spec.width)
                              .arg(spec.height)
                              .arg(spec.fps);
    QStringList encode{
        "-f",       "lavfi",   "-i",   lavfi,     "-t", QString::number(spec.seconds),
        "-pix_fmt", "yuv420p", "-c:v", spec.codec};
    if (spec.codec == "libx264")
        encode << "-preset"
               << "ultrafast";
    // The display matrix is written only when stream-copying.
    const QString plain = partial + ".plain." + spec.extension;
    const bool ok = spec.rotation == 0
                        ? runFfmpeg(encode << partial)
                        : runFfmpeg(encode << plain) &&
                              runFfmpeg({"-i", plain, "-c", "copy", "-metadata:s:v:0",
                                         QStringLiteral("rotate=%1").arg(spec.rotation), partial});
    QFile::remove(plain);
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
