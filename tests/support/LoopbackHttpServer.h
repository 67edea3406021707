#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QThread>
#include <QUrl>
#include <utility>

namespace quintara::test {

class LoopbackHttpConnection;

// An HTTP/1.1 server on 127.0.0.1 (never another address) for tests and benchmarks. It runs on a
// thread of its own, so it keeps serving while the test's thread blocks (a child process, a
// synchronous wait) and it does not share an event loop with the client it serves.
//
// Each path (without its query) answers with the response routed to it, whatever the method;
// a path without a route answers with a 404 HTML page. Every connection serves one request and
// closes. Every request is recorded once its body has arrived, before the response is sent.
class LoopbackHttpServer : public QObject {
public:
    using Header = std::pair<QByteArray, QByteArray>;

    // How the end of the body is told.
    enum class Framing { contentLength, chunked };

    struct Response {
        int status = 200;
        QList<Header> headers;
        QByteArray body;
        // When set, the body is streamed from this file instead (for large bodies).
        QString bodyFile;
        Framing framing = Framing::contentLength;
        // Stops the body after this many bytes and closes the connection, still having
        // announced the whole length.
        qint64 cutAt = -1;
        // Holds the body after this many bytes until `release` of its path.
        qint64 holdAt = -1;

        static Response ok(QByteArray body,
                           QByteArray contentType = QByteArrayLiteral("application/octet-stream"));
        static Response json(QByteArray body) { return ok(std::move(body), "application/json"); }
        static Response file(const QString &path, QByteArray contentType = "video/mp4");
        // The page a web server sends for a missing path.
        static Response notFoundPage();
    };

    struct Request {
        QByteArray method;
        QByteArray target; // path and query as sent
        QByteArray path;   // the target without its query
        QList<Header> headers;
        QByteArray body;
        // The first header of that name, compared without case.
        QByteArray header(const QByteArray &name) const;
    };

    // Listens on a free port of 127.0.0.1; fails the process when it cannot.
    explicit LoopbackHttpServer(QObject *parent = nullptr);
    ~LoopbackHttpServer() override;

    quint16 port() const { return m_port; }
    // http://127.0.0.1:PORT/ with `path` (which may carry a query).
    QUrl url(const QString &path = QStringLiteral("/")) const;

    // Answers `path` with `response` from the next request on, replacing an earlier route
    // (and an earlier release).
    void route(const QByteArray &path, Response response);
    // Lets bodies held on `path` continue, now and for later requests until it is routed again.
    void release(const QByteArray &path);

    QList<Request> requests() const;
    // Requests of `path` only, or of every path below it when it ends in "/".
    QList<Request> requests(const QByteArray &path) const;
    void clearRequests();

private:
    friend class LoopbackHttpConnection;
    Response responseFor(const QByteArray &path) const;
    bool isReleased(const QByteArray &path) const;
    void record(Request request);

    mutable QMutex m_mutex;
    QHash<QByteArray, Response> m_routes;
    QSet<QByteArray> m_released;
    QList<Request> m_requests;

    QThread m_thread;
    QObject *m_worker = new QObject;
    quint16 m_port = 0;
};

} // namespace quintara::test
