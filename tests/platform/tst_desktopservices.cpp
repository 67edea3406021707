#include "DBusMock.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "platform/linux/AtSpiBus.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/LinuxDesktopServices.h"

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

// The desktop's services, real or mocked on this test's own session bus.
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
        QVERIFY(test::writeFile(path));
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
        fileManager.roundTrip();
        QVERIFY(m_opened.urls.isEmpty());
    }

    void withoutAFileManagerTheFolderOpens()
    {
        LinuxDesktopServices desktop;
        desktop.reveal(QUrl::fromLocalFile("/videos/ocean waves.mp4"));
        QTRY_COMPARE(m_opened.urls, QList<QUrl>{QUrl::fromLocalFile("/videos")});
    }

    void accessibilityBusIsTurnedOn()
    {
        test::DBusMock status("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Status");
        QVERIFY(status.addProperty("IsEnabled", false));
        AtSpiBus bus;
        QVERIFY(!bus.isEnabled());
        QVERIFY(bus.enable());
        QVERIFY(bus.isEnabled());
    }

private:
    OpenedUrls m_opened;
};

QUINTARA_TEST_MAIN(DesktopServicesTest)
#include "tst_desktopservices.moc"
