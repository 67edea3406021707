#include "TestMain.h"
#include "VirtualScheduler.h"
#include "library/FolderWatcher.h"
#include "library/LibraryListing.h"
#include "settings/VideoFiles.h"

#include <QDir>
#include <QFile>

using namespace quintara;
using namespace std::chrono_literals;

namespace {

// Counts the delayed tasks asked for, so a test can tell that a file event has come in.
class CountingScheduler final : public Scheduler {
public:
    explicit CountingScheduler(test::VirtualScheduler &inner) : m_inner(inner) {}
    Duration now() const override { return m_inner.now(); }

    int scheduled = 0;

protected:
    TaskId start(Duration delay, bool repeat, QObject *context, Task task) override
    {
        ++scheduled;
        return m_inner.start(delay, repeat, context, std::move(task));
    }
    void cancel(TaskId id) override { m_inner.cancel(id); }
    bool isPending(TaskId id) const override { return m_inner.isPending(id); }

private:
    test::VirtualScheduler &m_inner;
};

bool writeFile(const QString &path, const QByteArray &bytes = "data")
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString freshFolder(const QString &name)
{
    const QString path = QDir::homePath() + QLatin1Char('/') + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QStringList names(const QList<QUrl> &urls)
{
    QStringList result;
    for (const QUrl &url : urls)
        result.append(url.fileName());
    return result;
}

} // namespace

class LibraryListingTest : public QObject {
    Q_OBJECT

private slots:
    void nameOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("digits by value") << "clip2.mp4"
                                         << "clip10.mp4" << -1;
        QTest::newRow("case ignored") << "A.mp4"
                                      << "b.mov" << -1;
        QTest::newRow("case only differs") << "Beach"
                                           << "beach" << 0;
        QTest::newRow("leading zeros") << "take007"
                                       << "take7" << 0;
        QTest::newRow("prefix first") << "clip"
                                      << "clip2" << -1;
        QTest::newRow("number against letter") << "9lives"
                                               << "alpha" << -1;
        QTest::newRow("long numbers") << "v12345678901234567890"
                                      << "v9" << 1;
        QTest::newRow("later run decides") << "s1e10"
                                           << "s1e9" << 1;
        QTest::newRow("non-latin case") << "Ärger"
                                        << "ärger" << 0;
        QTest::newRow("accents beside their letters") << "Äpfel"
                                                      << "zebra" << -1;
        QTest::newRow("punctuation before digits") << "_intro"
                                                   << "0intro" << -1;
        QTest::newRow("digits before letters") << "9"
                                               << "@home" << 1;
    }
    void nameOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const auto normal = [](int v) { return (v > 0) - (v < 0); };
        // The C locale, as a bare environment has it, still orders names as a person would.
        QLocale::setDefault(QLocale::c());
        QCOMPARE(normal(compareNames(a, b)), sign);
        QCOMPARE(normal(compareNames(b, a)), -sign);
    }

    void listingIsSortedAndKeepsHiddenAndFolders()
    {
        const QString dir = freshFolder("library");
        for (const char *name :
             {"b.mov", "A.mp4", "clip10.m4v", "clip2.MP4", "notes.txt", "._x.mov", "clip.mp4.part"})
            QVERIFY(writeFile(dir + "/" + name));
        QDir().mkpath(dir + "/sub");
        QDir().mkpath(dir + "/x.mp4");
        QCOMPARE(names(listLibrary(QUrl::fromLocalFile(dir))),
                 (QStringList{"._x.mov", "A.mp4", "b.mov", "clip2.MP4", "clip10.m4v", "x.mp4"}));
    }

    void tiesKeepTheDirectoryOrder()
    {
        const QString dir = freshFolder("ties");
        for (const char *name : {"Sea.mp4", "sea.mp4", "SEA.mp4", "a.mp4"})
            QVERIFY(writeFile(dir + "/" + name));
        const QUrl folder = QUrl::fromLocalFile(dir);
        QStringList expected{"a.mp4"};
        const auto listed = supportedVideos(folder);
        QVERIFY(listed);
        for (const QUrl &url : *listed)
            if (url.fileName() != "a.mp4")
                expected.append(url.fileName());
        QCOMPARE(names(listLibrary(folder)), expected);
    }

    void unreadableFolderListsNothing()
    {
        QVERIFY(listLibrary(QUrl()).isEmpty());
        QVERIFY(listLibrary(QUrl::fromLocalFile(QDir::homePath() + "/missing")).isEmpty());
        const QString file = QDir::homePath() + "/plain.mp4";
        QVERIFY(writeFile(file));
        QVERIFY(listLibrary(QUrl::fromLocalFile(file)).isEmpty());
    }

    void sortedNamesAreDistinct()
    {
        QCOMPARE(sortedNames({"b", "a10", "a2", "b", "B"}), (QStringList{"a2", "a10", "B", "b"}));
    }

    void aBurstOfCopiesGivesOneReload()
    {
        const QString dir = freshFolder("burst");
        test::VirtualScheduler clock;
        CountingScheduler scheduler(clock);
        FolderWatcher watcher(scheduler);
        int reloads = 0;
        watcher.watch(QUrl::fromLocalFile(dir), [&] { ++reloads; });
        QVERIFY(watcher.isWatching());

        // Ten copies 0.1 s apart on the virtual clock, each waited for as a real event.
        for (int i = 0; i < 10; ++i) {
            const int before = scheduler.scheduled;
            QVERIFY(writeFile(dir + QStringLiteral("/copy%1.mp4").arg(i), QByteArray(4096, 'v')));
            QTRY_VERIFY(scheduler.scheduled > before);
            clock.advance(100ms);
        }
        QCOMPARE(reloads, 0);
        clock.advance(199ms); // 0.299 s after the last event
        QCOMPARE(reloads, 0);
        clock.advance(1ms);
        QCOMPARE(reloads, 1);
        clock.advance(10s);
        QCOMPARE(reloads, 1);

        // The watch goes on after a reload; a removal counts like an addition.
        const int before = scheduler.scheduled;
        QVERIFY(QFile::remove(dir + "/copy3.mp4"));
        QTRY_VERIFY(scheduler.scheduled > before);
        clock.advance(FolderWatcher::settleDelay);
        QCOMPARE(reloads, 2);
    }

    void stopDropsThePendingCallback()
    {
        const QString dir = freshFolder("stopping");
        test::VirtualScheduler clock;
        CountingScheduler scheduler(clock);
        FolderWatcher watcher(scheduler);
        int reloads = 0;
        watcher.watch(QUrl::fromLocalFile(dir), [&] { ++reloads; });
        QVERIFY(writeFile(dir + "/new.mov"));
        QTRY_COMPARE(scheduler.scheduled, 1);
        QCOMPARE(clock.pendingCount(), std::size_t(1));

        watcher.stop();
        QVERIFY(!watcher.isWatching());
        QCOMPARE(clock.pendingCount(), std::size_t(0));
        clock.advance(1s);
        QCOMPARE(reloads, 0);
        watcher.stop(); // twice is harmless
        QVERIFY(!watcher.isWatching());
    }

    void watchingAgainReplacesTheFolder()
    {
        const QString first = freshFolder("first");
        const QString second = freshFolder("second");
        test::VirtualScheduler clock;
        CountingScheduler scheduler(clock);
        FolderWatcher watcher(scheduler);
        QStringList seen;
        watcher.watch(QUrl::fromLocalFile(first), [&] { seen << "first"; });
        watcher.watch(QUrl::fromLocalFile(second), [&] { seen << "second"; });
        QVERIFY(writeFile(first + "/a.mp4"));
        QVERIFY(writeFile(second + "/b.mp4"));
        QTRY_VERIFY(scheduler.scheduled >= 1);
        clock.advance(1s);
        QCOMPARE(seen, QStringList{"second"});
    }

    // A folder deleted and made again (or missing at first) is watched once it is back: each
    // change, waited for as a real event, brings a reload.
    void aMissingFolderIsFollowedUntilItComesBack()
    {
        const QString dir = freshFolder("comes-back") + "/library";
        test::VirtualScheduler clock;
        FolderWatcher watcher(clock);
        int reloads = 0;
        watcher.watch(QUrl::fromLocalFile(dir), [&] { ++reloads; });
        const auto reloadsAfter = [&](bool changed, int before) {
            return changed && QTest::qWaitFor([&] {
                       return clock.advance(FolderWatcher::settleDelay), reloads > before;
                   });
        };
        for (int round = 0; round < 2; ++round) {
            QVERIFY(reloadsAfter(QDir().mkdir(dir), reloads));
            QVERIFY(reloadsAfter(writeFile(dir + "/a.mp4"), reloads));
            QVERIFY(reloadsAfter(QFile::remove(dir + "/a.mp4") && QDir().rmdir(dir), reloads));
        }
    }

    void stopBeforeWatchAndUnwatchableFolders()
    {
        test::VirtualScheduler clock;
        FolderWatcher watcher(clock);
        watcher.stop();
        watcher.stop();
        QVERIFY(!watcher.isWatching());
        watcher.watch(QUrl(), [] {});
        QVERIFY(!watcher.isWatching());
        QCOMPARE(clock.pendingCount(), std::size_t(0));
    }
};

QUINTARA_TEST_MAIN(LibraryListingTest)
#include "tst_librarylisting.moc"
