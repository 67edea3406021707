#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryFile>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace quintara {

// One file fetched into a folder. The body is written as it arrives into a temporary file
// beside the destination (unnamed where the file system allows, else hidden), and only a complete,
// successful response replaces the destination, in one rename; anything else (an error status, a
// body shorter than announced, a network or disk error, or destroying the download before it ends)
// removes the temporary file and leaves the destination as it was.
class GalleryDownload final : public QObject {
public:
    struct Result {
        QUrl file;     // the installed file on success
        QString error; // why it failed otherwise
        bool ok() const { return !file.isEmpty(); }
    };

    // Starts at once; `onFinished` runs once, from the event loop, unless the download is
    // destroyed first.
    GalleryDownload(QNetworkAccessManager &network, const QUrl &source, const QString &destination,
                    QObject *parent = nullptr);
    ~GalleryDownload() override;

    // Bytes received, and the total the server announced (below 1 when it did not).
    std::function<void(qint64 received, qint64 total)> onProgress;
    std::function<void(const Result &)> onFinished;

private:
    void write();
    void complete();
    void fail(const QString &error);

    QString m_destination;
    QTemporaryFile m_file;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_buffer{256 * 1024, Qt::Uninitialized};
    qint64 m_written = 0;
    qint64 m_total = -1; // announced length, 0 when none
    bool m_done = false;
};

} // namespace quintara
