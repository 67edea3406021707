#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"
#include "settings/VideoFiles.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>

using namespace quintara;

namespace {

// Read when asked: the test's own home is set only once the test starts.
QString storePath()
{
    return JsonFileStore::defaultPath();
}

QJsonValue stored(const QString &key)
{
    return test::readJson(storePath()).value(key);
}

QUrl file(const QString &path)
{
    return QUrl::fromLocalFile(path);
}

// The settings of the file on disk, read afresh.
struct Settings {
    JsonFileStore store{storePath()};
    AppSettings settings{store};
    AppSettings *operator->() { return &settings; }
};

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir(QFileInfo(storePath()).absolutePath()).removeRecursively();
        QDir(QDir::homePath() + "/Movies").removeRecursively();
    }

    // Missing keys and values of the wrong type read as the defaults.
    void defaults_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: none
        QTest::newRow("fresh store") << QByteArray();
        QTest::newRow("wrong types") << QByteArray(R"({
            "libraryFolder": 12, "currentVideo": true, "spanScreens": "no",
            "screenVideos": {"D1": "/a.mp4", "D2": 4}, "fillMode": "Fit",
            "videoSpeeds": {"a.mp4": 0.5, "b.mp4": "fast"}, "showDynamicIsland": 0,
            "hasOnboarded": "yes", "pauseOnBattery": 1, "pauseInLowPower": null,
            "pauseWhenHot": [], "islandSources": "music"})");
    }
    void defaults()
    {
        QFETCH(QByteArray, file);
        QVERIFY(file.isEmpty() || test::writeFile(storePath(), file));
        Settings s;
        const QString library = QDir::homePath() + "/Movies/Quintara/";
        QCOMPARE(s->libraryFolder().toLocalFile(), library);
        QVERIFY(QFileInfo(library).isDir());
        QVERIFY(s->currentVideo().isEmpty() && s->screenVideos().isEmpty() &&
                s->speeds().isEmpty());
        QVERIFY(s->spanScreens() && s->showIsland() && !s->hasOnboarded());
        QVERIFY(!s->pauseOnBattery() && s->pauseInLowPower() && s->pauseWhenHot());
        QCOMPARE(s->fillMode(), FillMode::fill);
        QCOMPARE(s->islandSources(), (IslandSourceSet{IslandSource::music, IslandSource::claudeCode,
                                                      IslandSource::chatGPT}));
        // Defaults are not written until something is assigned; bad values are overwritten then.
        QCOMPARE(QFile::exists(storePath()), !file.isEmpty());
        s->persist();
        QCOMPARE(stored("spanScreens"), QJsonValue(true));
    }

    void everyAssignmentPersistsEveryKey()
    {
        Settings()->setFillMode(FillMode::stretch);
        for (const char *key :
             {"libraryFolder", "spanScreens", "screenVideos", "fillMode", "videoSpeeds",
              "showDynamicIsland", "hasOnboarded", "pauseOnBattery", "pauseInLowPower",
              "pauseWhenHot", "islandSources"})
            QVERIFY2(!stored(key).isUndefined(), key);
        QVERIFY(stored("currentVideo").isUndefined()); // absent URL: key removed
        QCOMPARE(stored("fillMode"), QJsonValue("stretch"));
        // Flags kept in the same store by others survive.
        Settings()->defaults().setValue(settings_keys::didSetUpLaunchAtLogin, true);
        Settings()->setShowIsland(false);
        QCOMPARE(stored("didSetUpLaunchAtLogin"), QJsonValue(true));
    }

    void valuesSurviveAReload()
    {
        {
            Settings s;
            s->setLibraryFolder(file("/srv/my videos/"));
            s->setCurrentVideo(file("/srv/my videos/sea #1.mp4"));
            s->setSpanScreens(false);
            s->setVideo(file("/srv/b.mov"), QStringLiteral("D1"));
            s->setSpeed(0.5, file("/srv/my videos/sea #1.mp4"));
            s->setPauseOnBattery(true);
            s->setFillMode(FillMode::fit);
            s->setIslandSources({IslandSource::claudeApp});
        }
        Settings s;
        QCOMPARE(s->libraryFolder(), file("/srv/my videos/"));
        QCOMPARE(s->currentVideo(), file("/srv/my videos/sea #1.mp4"));
        QVERIFY(!s->spanScreens() && s->pauseOnBattery());
        QCOMPARE(s->video(QStringLiteral("D1")), file("/srv/b.mov"));
        QCOMPARE(s->speed(file("/elsewhere/sea #1.mp4")), 0.5);
        QCOMPARE(s->fillMode(), FillMode::fit);
        QCOMPARE(s->islandSources(), IslandSourceSet{IslandSource::claudeApp});
        QCOMPARE(stored("screenVideos").toObject().value("D1"), QJsonValue("/srv/b.mov"));
    }

    void speedsAreClampedAndOneIsRemoved_data()
    {
        // kept: 1: no entry
        const auto row = test::rows<std::tuple<double, double>>();
        row("above", {2.0, 1.5});
        row("below", {0.1, 0.25});
        row("inside", {0.75, 0.75});
        row("near one", {1.0005, 1.0});
        row("one", {1.0, 1.0});
        row("not a number keeps the old", {qQNaN(), 0.5});
    }
    void speedsAreClampedAndOneIsRemoved()
    {
        const auto &[requested, kept] = test::row<std::tuple<double, double>>();
        Settings s;
        s->setSpeed(0.5, file("/a/x.mp4"));
        s->setSpeed(requested, file("/a/x.mp4"));
        QCOMPARE(s->speeds().contains("x.mp4"), kept != 1.0);
        // Keyed by file name: the same name in another folder shares the speed.
        QCOMPARE(s->speed(file("/b/x.mp4")), kept);
        QCOMPARE(s->speed(QUrl()), 1.0);
        // A stored speed is taken as it is.
        QVERIFY(test::writeFile(storePath(), R"({"videoSpeeds": {"fast.mp4": 3.0}})"));
        QCOMPARE(Settings()->speed(file("/x/fast.mp4")), 3.0);
    }

    void perDisplayEntries()
    {
        Settings s;
        const QUrl a = file("/l/a.mp4"), b = file("/l/b.mp4");
        s->setVideo(a, std::nullopt);
        s->setVideo(b, QStringLiteral("D1"));
        QCOMPARE(s->video(QStringLiteral("D1")), b);
        QCOMPARE(s->video(QStringLiteral("D2")), a);
        QCOMPARE(s->video(std::nullopt), a);
        // Choosing the current video for a display removes its entry instead of adding one.
        s->setVideo(a, QStringLiteral("D1"));
        QVERIFY(s->screenVideos().isEmpty());
        s->setVideo(b, QStringLiteral("D1"));
        s->setVideo(b, QStringLiteral("D2"));
        s->setVideo(b, std::nullopt);
        QVERIFY(s->screenVideos().isEmpty());
        QCOMPARE(s->currentVideo(), b);
        // A stored entry that names no file leaves its display on the current video.
        const QByteArray stored =
            R"({"screenVideos": {"D1": "//", "D2": "/l/a.mp4"}, "currentVideo": "file:///l/b.mp4"})";
        QVERIFY(test::writeFile(storePath(), stored));
        QCOMPARE(Settings()->screenVideos(), (AppSettings::ScreenVideos{{"D2", a}}));
    }

    void forgetReplacesInOrder()
    {
        Settings s;
        const QUrl a = file("/l/a.mp4"), b = file("/l/b.mp4"), c = file("/l/c.mp4");
        s->setVideo(c, std::nullopt);
        s->setVideo(a, QStringLiteral("D1"));
        s->setVideo(a, QStringLiteral("D2"));
        s->setVideo(b, QStringLiteral("D3"));
        s->setCurrentVideo(a);
        s->setSpeed(0.5, a);
        QStringList order;
        connect(&s.settings, &AppSettings::speedsWillChange, this, [&] { order << "speeds"; });
        connect(&s.settings, &AppSettings::screenVideosWillChange, this,
                [&] { order << "screenVideos"; });
        connect(&s.settings, &AppSettings::currentVideoWillChange, this,
                [&] { order << "currentVideo"; });
        s->forget(a, b);
        QCOMPARE(order, (QStringList{"speeds", "screenVideos", "currentVideo"}));
        QCOMPARE(s->screenVideos(), (AppSettings::ScreenVideos{{"D3", b}}));
        QCOMPARE(s->currentVideo(), b);
        QVERIFY(!s->speeds().contains("a.mp4"));
        // Another current video is left alone.
        s->forget(c, a);
        QVERIFY(!order.mid(3).contains("currentVideo"));
        QCOMPARE(s->currentVideo(), b);
    }

    void observersSeeTheNewValueBeforeItIsStored()
    {
        Settings s;
        QStringList seen;
        connect(&s.settings, &AppSettings::pauseOnBatteryWillChange, this, [&](bool value) {
            seen << QStringLiteral("will %1 %2 %3")
                        .arg(value)
                        .arg(s->pauseOnBattery())
                        .arg(stored("pauseOnBattery").toBool());
        });
        connect(&s.settings, &AppSettings::pauseOnBatteryChanged, this, [&] {
            seen << QStringLiteral("did %1 %2")
                        .arg(s->pauseOnBattery())
                        .arg(stored("pauseOnBattery").toBool());
        });
        s->setPauseOnBattery(true);
        QCOMPARE(seen, (QStringList{"will 1 0 0", "did 1 1"}));
    }

    // The library folder in one spelling: choosing it again, however spelled, notifies nothing;
    // an address that is no local folder, chosen or hand-edited, is no library at all, and a
    // hand-edited one stays none on the next run while a chosen none gives way to the default.
    void choosingTheLibraryFolder_data()
    {
        const auto row = test::rows<std::tuple<QStringList, int>>();
        row("same again", {QStringList{"/srv/a/", "/srv/a", "/srv/a/", "/srv/a/"}, 0});
        row("spelled otherwise",
            {QStringList{"/srv/a/", "/srv/./x/../a", "/srv/a/", "/srv/a/"}, 0});
        row("another", {QStringList{"/srv/a/", "/srv/b", "/srv/b", "/srv/b"}, 1});
        row("web address", {QStringList{"/srv/a/", "https://example.com/a/", "", "default"}, 1});
        row("stored share", {QStringList{"smb://nas/a", "smb://nas/a", "", ""}, 0});
        row("stored garble", {QStringList{"fileh//:/ome/a:/", "", "", ""}, 0});
    }
    void choosingTheLibraryFolder()
    {
        const auto &[storedChosenKeptReloaded, notices] = test::row<std::tuple<QStringList, int>>();
        const auto url = [&](int i) {
            const QString text = storedChosenKeptReloaded[i];
            if (text == "default")
                return AppSettings::defaultLibrary();
            return text.startsWith('/') ? file(text) : QUrl(text);
        };
        QVERIFY(test::writeFile(
            storePath(),
            QJsonDocument(QJsonObject{{"libraryFolder", url(0).toString()}}).toJson()));
        {
            Settings s;
            int heard = 0;
            connect(&s.settings, &AppSettings::libraryFolderWillChange, this, [&] { ++heard; });
            s->setLibraryFolder(url(1));
            QCOMPARE(s->libraryFolder(), url(2));
            QCOMPARE(heard, notices);
        }
        QCOMPARE(Settings()->libraryFolder(), url(3));
    }

    void islandSources_data()
    {
        const auto row = test::rows<std::tuple<QByteArray, QStringList>>();
        row("unknown dropped", {QByteArray(R"(["music", "x"])"), QStringList{"music"}});
        row("empty array", {QByteArray("[]"), QStringList{}});
        row("case matters", {QByteArray(R"(["Music", "claudeApp"])"), QStringList{"claudeApp"}});
        row("not strings",
            {QByteArray(R"(["music", 3])"), QStringList{"chatGPT", "claudeCode", "music"}});
        row("stored sorted",
            {QByteArray(R"(["music", "chatGPT"])"), QStringList{"chatGPT", "music"}});
    }
    void islandSources()
    {
        const auto &[file, kept] = test::row<std::tuple<QByteArray, QStringList>>();
        QVERIFY(test::writeFile(storePath(), "{\"islandSources\": " + file + "}"));
        Settings()->persist();
        QCOMPARE(stored("islandSources").toArray(), QJsonArray::fromStringList(kept));
    }

    void corruptFileIsKeptAside()
    {
        const QByteArray garbage = "{\"spanScreens\": fal";
        QVERIFY(test::writeFile(storePath(), garbage));
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        Settings s;
        QVERIFY(s->spanScreens());
        QCOMPARE(test::readFile(storePath() + ".corrupt"), garbage);
        QCOMPARE(log.matching("Quintara: settings file").size(), 1);
        // A second bad file does not overwrite the first one kept aside.
        s->setSpanScreens(false);
        QVERIFY(test::writeFile(storePath(), "not json"));
        JsonFileStore again(storePath());
        QVERIFY(QFile::exists(storePath() + ".corrupt-2"));
        QCOMPARE(test::readFile(storePath() + ".corrupt"), garbage);
    }

    // A settings file that cannot be read (a folder in its place here) is moved aside whole.
    void unreadableFileIsKeptAside()
    {
        QVERIFY(QDir().mkpath(storePath() + "/inside"));
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        Settings s;
        s->setSpanScreens(false);
        QVERIFY(QFileInfo(storePath() + ".corrupt/inside").isDir());
        QCOMPARE(stored("spanScreens"), QJsonValue(false));
        QCOMPARE(log.matching("Quintara: settings file").size(), 1);
    }

    void aKilledProcessHasLostNothing()
    {
        const QString video = QStringLiteral("/videos/after kill.mp4");
        QProcess writer;
        writer.start(QStringLiteral(SETTINGS_WRITER), {video});
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        QCOMPARE(Settings()->currentVideo(), file(video));
    }

    void displayTitles()
    {
        const QList<std::pair<QString, QString>> titles{{"/v/deep Blue-SEA.mov", "Deep Blue SEA"},
                                                        {"/v/clip.v2.m4v", "Clip.v2"},
                                                        {"/v/élan.mp4", "Élan"},
                                                        {"/v/plain", "Plain"}};
        for (const auto &[path, title] : titles)
            QCOMPARE(displayTitle(QUrl::fromLocalFile(path)), title);
    }
};

QUINTARA_TEST_MAIN(AppSettingsTest)
#include "tst_appsettings.moc"
