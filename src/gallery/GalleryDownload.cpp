#include "gallery/GalleryDownload.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quintara {

namespace {

// The system's URL loader gives up after a minute without data; so do we.
constexpr int idleTimeoutMs = 60000;
// What the network may read ahead of the disk: a slow disk slows the transfer instead of
// filling memory with the body.
constexpr qint64 readAhead = 4 * 1024 * 1024;

bool isWeb(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

GalleryDownload::GalleryDownload(QNetworkAccessManager &network, const QUrl &source,
                                 const QString &destination, QObject *parent)
    : QObject(parent), m_destination(destination)
{
    // Hidden, so the folder's listing and file managers pass over it while it grows.
    const QFileInfo target(destination);
    const QString prefix = QStringLiteral(".") + target.fileName() + QStringLiteral(".");
    m_file.setFileTemplate(target.absolutePath() + QLatin1Char('/') + prefix +
                           QStringLiteral("XXXXXX.part"));
    // One download per file at a time: a partial file already there is a leftover of a run
    // that was killed mid-download. Matched by its exact shape, not a pattern: an id may hold
    // "*" or "[", and one id may begin another's name.
    QDir folder(target.absolutePath());
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden))
        if (name.startsWith(prefix) && name.endsWith(QLatin1String(".part")) &&
            name.size() == prefix.size() + 6 + 5) // "XXXXXX" ".part"
            folder.remove(name);
    if (!m_file.open()) {
        const QString error = m_file.errorString();
        QMetaObject::invokeMethod(
            this, [this, error] { fail(error); }, Qt::QueuedConnection);
        return;
    }
    m_file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::ReadOther);

    QNetworkRequest request(source);
    request.setTransferTimeout(idleTimeoutMs);
    m_reply = network.get(request);
    m_reply->setReadBufferSize(readAhead);
    connect(m_reply, &QNetworkReply::readyRead, this, &GalleryDownload::write);
    connect(m_reply, &QNetworkReply::finished, this, &GalleryDownload::complete);
}

GalleryDownload::~GalleryDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    // The temporary file removes itself unless it became the destination.
}

void GalleryDownload::write()
{
    if (m_done)
        return;
    // Through one buffer, so the body is never held in memory beyond what the network reads ahead.
    qint64 read = 0;
    while ((read = m_reply->read(m_buffer.data(), m_buffer.size())) > 0) {
        if (m_file.write(m_buffer.constData(), read) != read)
            return fail(m_file.errorString());
        m_written += read;
    }
    if (m_total < 0)
        m_total = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    // Counted here rather than from the reply's own progress signal, which skips updates.
    if (onProgress)
        onProgress(m_written, m_total);
}

void GalleryDownload::complete()
{
    if (m_done)
        return;
    write();
    if (m_done)
        return;
    QNetworkReply &reply = *m_reply;
    if (reply.error() != QNetworkReply::NoError)
        return fail(reply.errorString());
    if (isWeb(reply.url())) {
        // The network reports 4xx and 5xx as errors; any other answer but a success is not the
        // video either.
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299)
            return fail(QStringLiteral("HTTP status %1").arg(status));
        // A body cut short is not a video; the network does not always say so itself.
        const QVariant announced = reply.header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid() && !reply.hasRawHeader("Content-Encoding") &&
            announced.toLongLong() != m_written)
            return fail(QStringLiteral("the body ended after %1 of %2 bytes")
                            .arg(m_written)
                            .arg(announced.toLongLong()));
    }
    if (!m_file.flush())
        return fail(m_file.errorString());
    m_file.close();
    // One rename replaces whatever file had the name, so it is never missing or half written.
    if (std::rename(QFile::encodeName(m_file.fileName()).constData(),
                    QFile::encodeName(m_destination).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    m_file.setAutoRemove(false);
    m_done = true;
    m_reply->deleteLater();
    if (onFinished)
        onFinished({QUrl::fromLocalFile(m_destination), QString()});
}

void GalleryDownload::fail(const QString &error)
{
    if (m_done)
        return;
    m_done = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    if (!m_file.fileName().isEmpty())
        m_file.remove();
    if (onFinished)
        onFinished({QUrl(), error});
}

} // namespace quintara
