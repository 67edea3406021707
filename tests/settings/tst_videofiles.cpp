#include "TestMain.h"
#include "settings/VideoFiles.h"

#include <QDir>
#include <QFile>

using namespace quintara;

class VideoFilesTest : public QObject {
    Q_OBJECT

private slots:
    void titles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("underscore and dash") << "/v/ocean_waves-4k.mp4"
                                             << "Ocean waves 4k";
        QTest::newRow("rest unchanged") << "/v/deep Blue-SEA.mov"
                                        << "Deep Blue SEA";
        QTest::newRow("only last extension") << "/v/clip.v2.m4v"
                                             << "Clip.v2";
        QTest::newRow("non-latin first letter") << "/v/élan.mp4"
                                                << "Élan";
        QTest::newRow("no extension") << "/v/plain"
                                      << "Plain";
    }
    void titles()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(displayTitle(QUrl::fromLocalFile(path)), title);
    }

    void supportedExtensions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("supported");
        QTest::newRow("mp4") << "a.mp4" << true;
        QTest::newRow("upper") << "a.MP4" << true;
        QTest::newRow("mov") << "b.Mov" << true;
        QTest::newRow("m4v") << "c.m4v" << true;
        QTest::newRow("partial download") << "clip.mp4.part" << false;
        QTest::newRow("no extension") << "clip" << false;
        QTest::newRow("mkv") << "clip.mkv" << false;
    }
    void supportedExtensions()
    {
        QFETCH(QString, name);
        QFETCH(bool, supported);
        QCOMPARE(isSupportedVideo(name), supported);
    }

    void listingKeepsSupportedEntriesOnly()
    {
        const QString dir = QDir::homePath() + "/listing";
        QDir().mkpath(dir + "/x.mp4"); // a folder with a video's name counts
        QDir().mkpath(dir + "/sub");
        for (const char *name : {"._x.mov", "A.MP4", "notes.txt", "b.m4v"}) {
            QFile f(dir + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const auto videos = supportedVideos(QUrl::fromLocalFile(dir));
        QVERIFY(videos.has_value());
        QStringList names;
        for (const QUrl &url : *videos)
            names.append(url.fileName());
        names.sort();
        QCOMPARE(names, (QStringList{"._x.mov", "A.MP4", "b.m4v", "x.mp4"}));
        QCOMPARE(videos->first().toLocalFile().section('/', 0, -2), dir);
    }

    void listingAMissingFolderIsNothing()
    {
        QVERIFY(!supportedVideos(QUrl::fromLocalFile(QDir::homePath() + "/nope")).has_value());
        QVERIFY(!supportedVideos(QUrl()).has_value());
        const QString empty = QDir::homePath() + "/empty";
        QDir().mkpath(empty);
        QCOMPARE(supportedVideos(QUrl::fromLocalFile(empty))->size(), 0);
    }
};

QUINTARA_TEST_MAIN(VideoFilesTest)
#include "tst_videofiles.moc"
