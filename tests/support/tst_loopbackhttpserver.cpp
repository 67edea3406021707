#include "LoopbackHttpServer.h"
#include "TestMain.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryFile>

using quintara::test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;

class LoopbackHttpServerTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;
    QNetworkAccessManager m_network;

    QNetworkReply *get(const QString &path)
    {
        return m_network.get(QNetworkRequest(m_server.url(path)));
    }

private slots:
    void responses_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("failed");

        const QByteArray text(100000, 'q');
        Response untilClose = Response::ok(text);
        untilClose.framing = LoopbackHttpServer::Framing::untilClose;
        Response chunked = Response::ok(text);
        chunked.framing = LoopbackHttpServer::Framing::chunked;
        Response cut = Response::ok(text);
        cut.cutAt = 1000;
        Response dribbled = Response::ok("slowly");
        dribbled.chunkSize = 2;
        dribbled.interval = std::chrono::milliseconds(5);
        Response created = Response::json("{}");
        created.status = 201;

        QTest::newRow("with length") << Response::ok(text) << text << 200 << false;
        QTest::newRow("until close") << untilClose << text << 200 << false;
        QTest::newRow("chunked") << chunked << text << 200 << false;
        QTest::newRow("cut short") << cut << QByteArray() << 200 << true;
        QTest::newRow("dribbled") << dribbled << QByteArray("slowly") << 200 << false;
        QTest::newRow("status") << created << QByteArray("{}") << 201 << false;
        QTest::newRow("404 page") << Response::notFoundPage() << QByteArray() << 404 << true;
    }
    void responses()
    {
        QFETCH(Response, response);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(bool, failed);
        m_server.route("/thing", response);
        QNetworkReply *reply = get("/thing?x=1");
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QCOMPARE(reply->error() != QNetworkReply::NoError, failed);
        if (!body.isEmpty())
            QCOMPARE(reply->readAll(), body);
        reply->deleteLater();
    }

    void unroutedPathsAnswerWithANotFoundPage()
    {
        QNetworkReply *reply = get("/nowhere");
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->error(), QNetworkReply::ContentNotFoundError);
        QVERIFY(reply->readAll().contains("<h1>Not Found</h1>"));
        reply->deleteLater();
    }

    void heldBodyWaitsForRelease()
    {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(QByteArray(300000, 'h'));
        file.close();
        Response held = Response::file(file.fileName());
        held.holdAt = 1000;
        m_server.route("/held", held);
        QNetworkReply *reply = get("/held");
        qint64 received = 0;
        connect(reply, &QNetworkReply::readyRead, this,
                [&] { received = reply->bytesAvailable(); });
        QTRY_COMPARE(received, 1000);
        QVERIFY(!reply->isFinished());
        m_server.release("/held");
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), QByteArray(300000, 'h'));
        reply->deleteLater();
    }

    void requestsAreRecorded()
    {
        m_server.clearRequests();
        QSignalSpy received(&m_server, &LoopbackHttpServer::requestReceived);
        QNetworkRequest request(m_server.url("/stats/download?v=2"));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        QNetworkReply *reply = m_network.post(request, QByteArray(R"({"ids":["a"]})"));
        QTRY_VERIFY(reply->isFinished());
        QTRY_COMPARE(received.size(), 1);
        const auto requests = m_server.requests("/stats/download");
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, "POST");
        QCOMPARE(requests[0].target, "/stats/download?v=2");
        QCOMPARE(requests[0].header("CONTENT-TYPE"), "application/json");
        QCOMPARE(requests[0].body, R"({"ids":["a"]})");
        reply->deleteLater();
    }
};

QUINTARA_TEST_MAIN(LoopbackHttpServerTest)
#include "tst_loopbackhttpserver.moc"
