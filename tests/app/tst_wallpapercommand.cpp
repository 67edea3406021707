#include "TestMain.h"
#include "TestMedia.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>

// `quintara --wallpaper FILE` as a person runs it, under a real X server, on a private session
// bus: the file plays on the desktop, a second launch hands its file over, and a file that cannot
// be decoded keeps the old picture.
namespace {

// A screenshot of the whole X server, through a pipe: a file of a fixed name in the shared
// temporary folder may hold another test run's screenshot by the time it is read.
QImage screenshot()
{
    QProcess import;
    import.start("import", {"-window", "root", "png:-"});
    if (!import.waitForFinished(20000) || import.exitCode() != 0)
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

// Share of pixels (sampled) that differ between two screenshots.
double changedShare(const QImage &a, const QImage &b)
{
    if (a.isNull() || a.size() != b.size())
        return 1.0;
    int changed = 0, total = 0;
    for (int y = 0; y < a.height(); y += 4)
        for (int x = 0; x < a.width(); x += 4, ++total)
            changed += a.pixel(x, y) != b.pixel(x, y);
    return double(changed) / total;
}

double litShare(const QImage &image)
{
    int lit = 0, total = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4, ++total)
            lit += qGray(image.pixel(x, y)) > 24;
    return total ? double(lit) / total : 0.0;
}

} // namespace

class WallpaperCommandTest : public QObject {
    Q_OBJECT

    QProcess m_bus;
    QString m_address;
    QByteArray m_seen;

    void start(QProcess &process, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        process.setProcessEnvironment(env);
        process.start(qEnvironmentVariable("QUINTARA_BINARY"), arguments);
        QVERIFY(process.waitForStarted(10000));
    }
    bool sawLine(QProcess &process, const QByteArray &line)
    {
        m_seen += process.readAllStandardError();
        return m_seen.contains(line);
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForStarted(10000));
        QVERIFY(m_bus.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    }
    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void wallpaperPlaysAndIsHandedOver()
    {
        const QString first = quintara::test::testVideo({640, 360, 3.0, 30, "testsrc2"});
        const QString second =
            quintara::test::testVideo({640, 360, 3.0, 30, "testsrc", "libx264", 0, "mov"});
        const QString broken = QDir::homePath() + "/broken.mp4";
        {
            QFile f(broken);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        }

        QProcess quintara;
        start(quintara, {"--wallpaper", first});
        const QByteArray firstName = QFileInfo(first).fileName().toUtf8();
        QTRY_VERIFY_WITH_TIMEOUT(sawLine(quintara, "=" + firstName + "\n"), 20000);
        // Moving pictures: the screen shows the video and keeps changing.
        QTRY_VERIFY_WITH_TIMEOUT(litShare(screenshot()) > 0.5, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(changedShare(screenshot(), screenshot()) > 0.01, 20000);

        // A second launch hands its file to the running instance and exits.
        QProcess handOver;
        start(handOver, {"--wallpaper", second});
        QVERIFY(handOver.waitForFinished(20000));
        QCOMPARE(handOver.exitCode(), 0);
        const QByteArray secondName = QFileInfo(second).fileName().toUtf8();
        QTRY_VERIFY_WITH_TIMEOUT(sawLine(quintara, "=" + secondName + "\n"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(changedShare(screenshot(), screenshot()) > 0.01, 20000);

        // An undecodable file never fades in: the old picture stays (paused once its player is
        // retired) instead of turning black.
        QProcess brokenHandOver;
        start(brokenHandOver, {"--wallpaper", broken});
        QVERIFY(brokenHandOver.waitForFinished(20000));
        QCOMPARE(brokenHandOver.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(sawLine(quintara, "=broken.mp4\n"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(changedShare(screenshot(), screenshot()) == 0.0, 20000);
        QVERIFY(litShare(screenshot()) > 0.5);

        // A refused file leaves the running instance alone.
        QProcess refused;
        start(refused, {"--wallpaper", QDir::homePath() + "/missing.mp4"});
        QVERIFY(refused.waitForFinished(20000));
        QCOMPARE(refused.exitCode(), 2);
        QVERIFY(refused.readAllStandardError().contains("there is no such file"));

        quintara.terminate();
        QVERIFY(quintara.waitForFinished(10000));
    }
};

QUINTARA_TEST_MAIN(WallpaperCommandTest)
#include "tst_wallpapercommand.moc"
