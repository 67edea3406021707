#include "LoopbackHttpServer.h"

#include <QFile>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>

namespace quintara::test {

namespace {

constexpr qint64 pieceSize = 64 * 1024;
// Written bytes the socket may hold before the server waits for the client to read.
constexpr qint64 outputLimit = 256 * 1024;

// Clients read the status code; the phrase is only for people reading a capture.
QByteArray reasonPhrase(int status)
{
    return status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
}

} // namespace

// One connection: reads one request, records it, writes the routed response and closes.
class LoopbackHttpConnection final : public QObject {
public:
    LoopbackHttpConnection(LoopbackHttpServer &server, QTcpSocket *socket, QObject *parent)
        : QObject(parent), m_server(server), m_socket(socket)
    {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this] { readRequest(); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this] {
            if (!m_held)
                pump();
        });
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

    // Continues a body held until its path was released.
    void resume()
    {
        if (m_held && m_server.isReleased(m_request.path)) {
            m_held = false;
            pump();
        }
    }

private:
    void readRequest()
    {
        if (m_responding)
            return;
        m_in += m_socket->readAll();
        if (m_bodyLength < 0) {
            const qsizetype end = m_in.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> lines = m_in.left(end).split('\n');
            const QList<QByteArray> start = lines.first().trimmed().split(' ');
            if (start.size() < 2) {
                m_socket->abort();
                return;
            }
            m_request.method = start.at(0);
            m_request.target = start.at(1);
            const qsizetype query = m_request.target.indexOf('?');
            m_request.path = query < 0 ? m_request.target : m_request.target.left(query);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines.at(i).indexOf(':');
                if (colon > 0)
                    m_request.headers.append(
                        {lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
            }
            m_bodyLength = m_request.header("content-length").toLongLong();
            m_in.remove(0, end + 4);
        }
        if (m_in.size() < m_bodyLength)
            return;
        m_request.body = m_in.left(m_bodyLength);
        m_responding = true;
        m_server.record(m_request);
        respond(m_server.responseFor(m_request.path));
    }

    void respond(LoopbackHttpServer::Response response)
    {
        m_response = std::move(response);
        qint64 total = m_response.body.size();
        if (!m_response.bodyFile.isEmpty()) {
            m_file.setFileName(m_response.bodyFile);
            if (!m_file.open(QIODevice::ReadOnly))
                qFatal("the loopback server cannot read %s", qPrintable(m_response.bodyFile));
            total = m_file.size();
        }
        m_limit = m_response.cutAt >= 0 ? std::min(m_response.cutAt, total) : total;
        if (m_request.method == "HEAD")
            m_limit = 0;

        QByteArray head = "HTTP/1.1 " + QByteArray::number(m_response.status) + ' ' +
                          reasonPhrase(m_response.status) + "\r\n";
        for (const auto &[name, value] : std::as_const(m_response.headers))
            head += name + ": " + value + "\r\n";
        if (m_response.framing == LoopbackHttpServer::Framing::contentLength)
            head += "Content-Length: " + QByteArray::number(total) + "\r\n";
        else if (m_response.framing == LoopbackHttpServer::Framing::chunked)
            head += "Transfer-Encoding: chunked\r\n";
        head += "Connection: close\r\n\r\n";
        m_socket->write(head);
        pump();
    }

    void pump()
    {
        if (!m_responding || m_finished)
            return;
        const auto &r = m_response;
        while (m_sent < m_limit && m_socket->bytesToWrite() < outputLimit) {
            if (r.holdAt >= 0 && m_sent >= r.holdAt && !m_server.isReleased(m_request.path)) {
                m_held = true;
                return;
            }
            qint64 size = std::min(m_limit - m_sent, pieceSize);
            if (r.holdAt > m_sent)
                size = std::min(size, r.holdAt - m_sent);
            const QByteArray piece = m_file.isOpen() ? m_file.read(size) : r.body.mid(m_sent, size);
            if (piece.isEmpty())
                break;
            if (r.framing == LoopbackHttpServer::Framing::chunked)
                m_socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
            else
                m_socket->write(piece);
            m_sent += piece.size();
        }
        if (m_sent < m_limit)
            return; // the socket drains first
        const bool cut = r.cutAt >= 0;
        if (r.framing == LoopbackHttpServer::Framing::chunked && !cut)
            m_socket->write("0\r\n\r\n");
        m_finished = true;
        m_socket->disconnectFromHost();
    }

    LoopbackHttpServer &m_server;
    QTcpSocket *m_socket;
    QByteArray m_in;
    qint64 m_bodyLength = -1;
    LoopbackHttpServer::Request m_request;
    LoopbackHttpServer::Response m_response;
    QFile m_file;
    qint64 m_limit = 0;
    qint64 m_sent = 0;
    bool m_responding = false;
    bool m_held = false;
    bool m_finished = false;
};

LoopbackHttpServer::Response LoopbackHttpServer::Response::ok(QByteArray body,
                                                              QByteArray contentType)
{
    Response response;
    response.body = std::move(body);
    response.headers.append({"Content-Type", std::move(contentType)});
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::file(const QString &path,
                                                                QByteArray contentType)
{
    Response response = ok({}, std::move(contentType));
    response.bodyFile = path;
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::Response::notFoundPage()
{
    Response response = ok("<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
                           "<body><h1>Not Found</h1><p>The requested URL was not found on this "
                           "server.</p></body></html>\n",
                           "text/html; charset=utf-8");
    response.status = 404;
    return response;
}

QByteArray LoopbackHttpServer::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

LoopbackHttpServer::LoopbackHttpServer(QObject *parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("LoopbackHttpServer"));
    // Everything the server's thread owns is a child of m_worker: the listener and connections.
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker,
        [this] {
            auto *listener = new QTcpServer(m_worker);
            if (!listener->listen(QHostAddress::LocalHost, 0))
                return;
            connect(listener, &QTcpServer::newConnection, m_worker, [this, listener] {
                while (QTcpSocket *socket = listener->nextPendingConnection())
                    new LoopbackHttpConnection(*this, socket, m_worker);
            });
            m_port = listener->serverPort();
        },
        Qt::BlockingQueuedConnection);
    if (m_port == 0)
        qFatal("the loopback server cannot listen on 127.0.0.1");
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { qDeleteAll(QObjectList(m_worker->children())); },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

QUrl LoopbackHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

void LoopbackHttpServer::route(const QByteArray &path, Response response)
{
    QMutexLocker lock(&m_mutex);
    m_routes.insert(path, std::move(response));
    m_released.remove(path);
}

void LoopbackHttpServer::release(const QByteArray &path)
{
    {
        QMutexLocker lock(&m_mutex);
        m_released.insert(path);
    }
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] {
        for (QObject *child : worker->children())
            if (auto *connection = dynamic_cast<LoopbackHttpConnection *>(child))
                connection->resume();
    });
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests(const QByteArray &path) const
{
    QList<Request> matching;
    for (const Request &request : requests())
        if (request.path == path || (path.endsWith('/') && request.path.startsWith(path)))
            matching.append(request);
    return matching;
}

void LoopbackHttpServer::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

LoopbackHttpServer::Response LoopbackHttpServer::responseFor(const QByteArray &path) const
{
    QMutexLocker lock(&m_mutex);
    return m_routes.value(path, Response::notFoundPage());
}

bool LoopbackHttpServer::isReleased(const QByteArray &path) const
{
    QMutexLocker lock(&m_mutex);
    return m_released.contains(path);
}

void LoopbackHttpServer::record(Request request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(std::move(request));
}

} // namespace quintara::test
