#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "platform/linux/JsonFileStore.h"

#include <QDir>
#include <QFile>

using namespace quintara;

class AppDelegateTest : public QObject {
    Q_OBJECT

    QString m_library;

    void touch(const QString &name)
    {
        QFile f(m_library + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QUrl video(const QString &name) const
    {
        return QUrl::fromLocalFile(m_library + QLatin1Char('/') + name);
    }

private slots:
    void init()
    {
        QDir(JsonFileStore::defaultPath()).removeRecursively();
        QFile::remove(JsonFileStore::defaultPath());
        m_library = QDir::homePath() + QStringLiteral("/lib");
        QDir(m_library).removeRecursively();
        QDir().mkpath(m_library);
    }

    void shufflePicksTheOtherSupportedVideo()
    {
        for (const char *name : {"a.MP4", "b.mov", "notes.txt", ".DS_Store"})
            touch(name);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library + "/"));
        delegate.settings().setCurrentVideo(video("a.MP4"));
        for (int i = 0; i < 20; ++i) {
            delegate.settings().setCurrentVideo(video("a.MP4"));
            delegate.shuffle();
            QCOMPARE(delegate.settings().currentVideo(), video("b.mov"));
        }
        // What shuffle picks is persisted.
        JsonFileStore reread(JsonFileStore::defaultPath());
        QCOMPARE(AppSettings(reread).currentVideo(), video("b.mov"));
    }

    void shuffleNeverPicksTheCurrentVideo()
    {
        for (const char *name : {"a.mp4", "b.m4v", "c.MOV"})
            touch(name);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        QList<qsizetype> counts;
        delegate.setRandomIndex([&](qsizetype count) {
            counts.append(count);
            return count - 1;
        });
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.settings().setCurrentVideo(video("b.m4v"));
        delegate.shuffle();
        QCOMPARE(counts, QList<qsizetype>{2});
        QVERIFY(delegate.settings().currentVideo() != video("b.m4v"));
        QVERIFY(QFile::exists(delegate.settings().currentVideo().toLocalFile()));
    }

    void shuffleChangesNothing_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("readable");
        QTest::newRow("only the current video") << QStringList{"a.mp4", "x.txt"} << true;
        QTest::newRow("no video") << QStringList{"x.txt"} << true;
        QTest::newRow("folder missing") << QStringList{} << false;
    }
    void shuffleChangesNothing()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, readable);
        for (const QString &name : files)
            touch(name);
        if (!readable)
            QDir(m_library).removeRecursively();
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.settings().setCurrentVideo(video("a.mp4"));
        int assignments = 0;
        connect(&delegate.settings(), &AppSettings::currentVideoWillChange, this,
                [&] { ++assignments; });
        delegate.shuffle();
        QCOMPARE(assignments, 0);
        QCOMPARE(delegate.settings().currentVideo(), video("a.mp4"));
    }

    void shuffleInAnUnreadableFolderChangesNothing()
    {
        if (geteuid() == 0)
            QSKIP("root reads every folder");
        touch("b.mp4");
        QFile::setPermissions(m_library, QFileDevice::WriteOwner);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.shuffle();
        QFile::setPermissions(m_library, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        QVERIFY(delegate.settings().currentVideo().isEmpty());
    }

    void shuffleWithoutALibraryFolderDoesNothing()
    {
        touch("b.mp4");
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        delegate.settings().setLibraryFolder(QUrl());
        delegate.shuffle();
        QVERIFY(delegate.settings().currentVideo().isEmpty());
    }
};

QUINTARA_TEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
