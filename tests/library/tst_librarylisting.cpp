#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "library/FolderWatcher.h"
#include "library/LibraryListing.h"
#include "settings/VideoFiles.h"

#include <QDir>

using namespace quintara;
using namespace std::chrono_literals;
using test::fileNames;
using test::freshFolder;
using test::writeFile;

class LibraryListingTest : public QObject {
    Q_OBJECT

    test::VirtualScheduler m_clock;

    // Waits for the watcher to hear of a file event: it schedules its reload then.
    bool eventArrives(std::size_t scheduledBefore)
    {
        return QTest::qWaitFor([&] { return m_clock.scheduledCount() > scheduledBefore; });
    }

private slots:
    void nameOrder_data()
    {
        const auto row = test::rows<std::tuple<QStringList, int>>();
        row("digits by value", {QStringList{"clip2.mp4", "clip10.mp4"}, -1});
        row("case ignored", {QStringList{"A.mp4", "b.mov"}, -1});
        row("case only differs", {QStringList{"Beach", "beach"}, 0});
        row("leading zeros", {QStringList{"take007", "take7"}, 0});
        row("prefix first", {QStringList{"clip", "clip2"}, -1});
        row("number against letter", {QStringList{"9lives", "alpha"}, -1});
        row("long numbers", {QStringList{"v12345678901234567890", "v9"}, 1});
        row("later run decides", {QStringList{"s1e10", "s1e9"}, 1});
        row("non-latin case", {QStringList{"Ärger", "ärger"}, 0});
        row("accents beside their letters", {QStringList{"Äpfel", "zebra"}, -1});
        row("punctuation before digits", {QStringList{"_intro", "0intro"}, -1});
        row("digits before letters", {QStringList{"9", "@home"}, 1});
    }
    void nameOrder()
    {
        const auto &[names, sign] = test::row<std::tuple<QStringList, int>>();
        const auto normal = [](int v) { return (v > 0) - (v < 0); };
        // The C locale, as a bare environment has it, still orders names as a person would.
        QLocale::setDefault(QLocale::c());
        QCOMPARE(normal(compareNames(names[0], names[1])), sign);
        QCOMPARE(normal(compareNames(names[1], names[0])), -sign);
    }

    // Sorted by name, ties in the directory's order; hidden entries and folders count.
    void listing()
    {
        const QString dir = freshFolder("library");
        for (const char *name :
             {"b.mov", "A.mp4", "clip10.m4v", "clip2.MP4", "notes.txt", "._x.mov", "clip.mp4.part",
              "clip.mkv", "clip", "Sea.mp4", "sea.mp4", "SEA.mp4"})
            QVERIFY(writeFile(dir + "/" + name));
        QDir().mkpath(dir + "/sub");
        QDir().mkpath(dir + "/x.mp4");
        const QUrl folder = QUrl::fromLocalFile(dir);
        QStringList seas =
            fileNames(supportedVideos(folder).value()).filter("sea.mp4", Qt::CaseInsensitive);
        const QList<QUrl> listed = listLibrary(folder);
        QCOMPARE(fileNames(listed),
                 QStringList({"._x.mov", "A.mp4", "b.mov", "clip2.MP4", "clip10.m4v"}) + seas +
                     QStringList{"x.mp4"});
        QCOMPARE(listed.first(), QUrl::fromLocalFile(dir + "/._x.mov"));
        QCOMPARE(sortedNames({"b", "a10", "a2", "b", "B"}), (QStringList{"a2", "a10", "B", "b"}));
    }

    void unreadableFolderListsNothing()
    {
        const QString file = QDir::homePath() + "/plain.mp4";
        QVERIFY(writeFile(file));
        for (const QUrl &folder : {QUrl(), QUrl::fromLocalFile(QDir::homePath() + "/missing"),
                                   QUrl::fromLocalFile(file)}) {
            QVERIFY(listLibrary(folder).isEmpty());
            QVERIFY(!supportedVideos(folder));
        }
        QCOMPARE(supportedVideos(QUrl::fromLocalFile(freshFolder("empty")))->size(), 0);
    }

    void aBurstOfCopiesGivesOneReload()
    {
        const QString dir = freshFolder("burst");
        FolderWatcher watcher(m_clock);
        int reloads = 0;
        watcher.watch(QUrl::fromLocalFile(dir), [&] { ++reloads; });
        QVERIFY(watcher.isWatching());

        // Ten copies 0.1 s apart on the virtual clock, each waited for as a real event.
        for (int i = 0; i < 10; ++i) {
            const std::size_t before = m_clock.scheduledCount();
            QVERIFY(writeFile(dir + QStringLiteral("/copy%1.mp4").arg(i), QByteArray(4096, 'v')));
            QVERIFY(eventArrives(before));
            m_clock.advance(100ms);
        }
        QCOMPARE(reloads, 0);
        m_clock.advance(199ms); // 0.299 s after the last event
        QCOMPARE(reloads, 0);
        m_clock.advance(1ms);
        QCOMPARE(reloads, 1);
        m_clock.advance(10s);
        QCOMPARE(reloads, 1);

        // The watch goes on after a reload; a removal counts like an addition.
        const std::size_t before = m_clock.scheduledCount();
        QVERIFY(QFile::remove(dir + "/copy3.mp4"));
        QVERIFY(eventArrives(before));
        m_clock.advance(FolderWatcher::settleDelay);
        QCOMPARE(reloads, 2);
    }

    void stopDropsThePendingCallback()
    {
        const QString dir = freshFolder("stopping");
        FolderWatcher watcher(m_clock);
        watcher.stop(); // before any watch: harmless
        int reloads = 0;
        watcher.watch(QUrl::fromLocalFile(dir), [&] { ++reloads; });
        const std::size_t before = m_clock.scheduledCount();
        QVERIFY(writeFile(dir + "/new.mov"));
        QVERIFY(eventArrives(before));
        QCOMPARE(m_clock.pendingCount(), std::size_t(1));
        watcher.stop();
        QVERIFY(!watcher.isWatching());
        QCOMPARE(m_clock.pendingCount(), std::size_t(0));
        m_clock.advance(1s);
        QCOMPARE(reloads, 0);
        // No folder at all leaves it stopped.
        watcher.watch(QUrl(), [] {});
        QVERIFY(!watcher.isWatching());
    }

    void watchingAgainReplacesTheFolder()
    {
        const QString first = freshFolder("first");
        const QString second = freshFolder("second");
        FolderWatcher watcher(m_clock);
        QStringList seen;
        watcher.watch(QUrl::fromLocalFile(first), [&] { seen << "first"; });
        watcher.watch(QUrl::fromLocalFile(second), [&] { seen << "second"; });
        const std::size_t before = m_clock.scheduledCount();
        QVERIFY(writeFile(first + "/a.mp4"));
        QVERIFY(writeFile(second + "/b.mp4"));
        QVERIFY(eventArrives(before));
        m_clock.advance(1s);
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
};

QUINTARA_TEST_MAIN(LibraryListingTest)
#include "tst_librarylisting.moc"
