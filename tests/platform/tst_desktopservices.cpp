#include "DBusMock.h"
#include "TestMain.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/LinuxDesktopServices.h"

#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>

using namespace quintara;

// Records the URLs the desktop would have opened.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

class DesktopServicesTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDesktopServices::setUrlHandler("file", &m_opened, "open");
        m_opened.urls.clear();
    }
    void cleanup() { QDesktopServices::unsetUrlHandler("file"); }

    void theTrashTakesTheFileOnce()
    {
        const QString path = QDir::home().filePath("a.mp4");
        QFile(path).open(QIODevice::WriteOnly);
        FreedesktopTrash trash;
        QString error;
        QVERIFY2(trash.moveToTrash(path, &error), qPrintable(error));
        QVERIFY(!QFile::exists(path));
        const QString trashFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
        QVERIFY(QDir(trashFolder).entryList(QDir::Files).contains("a.mp4"));
        QVERIFY(!trash.moveToTrash(path, &error));
        QVERIFY(!error.isEmpty());
    }

    void revealAsksTheFileManager()
    {
        test::DBusMock fileManager("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                   "org.freedesktop.FileManager1");
        QVERIFY(fileManager.addMethod("ShowItems", "ass", ""));
        LinuxDesktopServices desktop;
        desktop.reveal(QUrl::fromLocalFile("/videos/ocean waves.mp4"));
        QTRY_VERIFY(fileManager.calledMethods().contains("ShowItems"));
        // Replies arrive in order: once a later call's has, ShowItems' has been handled.
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
            "org.freedesktop.DBus.Peer", "Ping"));
        QCoreApplication::processEvents();
        QVERIFY(m_opened.urls.isEmpty());
    }

    void withoutAFileManagerTheFolderOpens()
    {
        LinuxDesktopServices desktop;
        desktop.reveal(QUrl::fromLocalFile("/videos/ocean waves.mp4"));
        QTRY_COMPARE(m_opened.urls, QList<QUrl>{QUrl::fromLocalFile("/videos")});
    }

private:
    OpenedUrls m_opened;
};

QUINTARA_TEST_MAIN(DesktopServicesTest)
#include "tst_desktopservices.moc"
