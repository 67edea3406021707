#include "TestMain.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace quintara;

namespace {

QString storePath()
{
    return JsonFileStore::defaultPath();
}

// The settings file as another program would read it.
QJsonObject storedFile()
{
    QFile file(storePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

void writeStoredFile(const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(storePath()).absolutePath());
    QFile file(storePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QUrl file(const QString &path)
{
    return QUrl::fromLocalFile(path);
}

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QDir(QFileInfo(storePath()).absolutePath()).removeRecursively();
        QDir(QDir::homePath() + QStringLiteral("/Movies")).removeRecursively();
    }

    void freshStoreGivesTheDefaults()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        const QString library = QDir::homePath() + QStringLiteral("/Movies/Quintara");
        QCOMPARE(settings.libraryFolder().toLocalFile(), library + QLatin1Char('/'));
        QVERIFY(QFileInfo(library).isDir());
        QVERIFY(settings.currentVideo().isEmpty());
        QVERIFY(settings.spanScreens());
        QVERIFY(settings.screenVideos().isEmpty());
        QCOMPARE(settings.fillMode(), FillMode::fill);
        QVERIFY(settings.speeds().isEmpty());
        QVERIFY(!settings.hasOnboarded());
        QVERIFY(settings.showIsland());
        QVERIFY(!settings.pauseOnBattery());
        QVERIFY(settings.pauseInLowPower());
        QVERIFY(settings.pauseWhenHot());
        QCOMPARE(settings.islandSources(),
                 (IslandSourceSet{IslandSource::music, IslandSource::claudeCode,
                                  IslandSource::chatGPT}));
        // Defaults are not written until something is assigned.
        QVERIFY(!QFile::exists(storePath()));
    }

    void everyAssignmentPersistsEveryKey()
    {
        {
            JsonFileStore store(storePath());
            AppSettings settings(store);
            settings.setFillMode(FillMode::stretch);
        }
        const QJsonObject stored = storedFile();
        const QStringList keys{"libraryFolder", "spanScreens",    "screenVideos",
                               "fillMode",      "videoSpeeds",    "showDynamicIsland",
                               "hasOnboarded",  "pauseOnBattery", "pauseInLowPower",
                               "pauseWhenHot",  "islandSources"};
        for (const QString &key : keys)
            QVERIFY2(stored.contains(key), qPrintable(key));
        QVERIFY(!stored.contains("currentVideo")); // absent URL: key removed
        QCOMPARE(stored.value("fillMode").toString(), QStringLiteral("stretch"));

        JsonFileStore again(storePath());
        AppSettings reloaded(again);
        QCOMPARE(reloaded.fillMode(), FillMode::stretch);
    }

    void valuesSurviveAReload()
    {
        {
            JsonFileStore store(storePath());
            AppSettings settings(store);
            settings.setLibraryFolder(file("/srv/my videos/"));
            settings.setCurrentVideo(file("/srv/my videos/sea #1.mp4"));
            settings.setSpanScreens(false);
            settings.setVideo(file("/srv/b.mov"), QStringLiteral("D1"));
            settings.setSpeed(0.5, file("/srv/my videos/sea #1.mp4"));
            settings.setPauseOnBattery(true);
            settings.setIslandSources({IslandSource::claudeApp});
        }
        JsonFileStore store(storePath());
        AppSettings settings(store);
        QCOMPARE(settings.libraryFolder(), file("/srv/my videos/"));
        QCOMPARE(settings.currentVideo(), file("/srv/my videos/sea #1.mp4"));
        QVERIFY(!settings.spanScreens());
        QCOMPARE(settings.video(QStringLiteral("D1")), file("/srv/b.mov"));
        QCOMPARE(settings.speed(file("/elsewhere/sea #1.mp4")), 0.5);
        QVERIFY(settings.pauseOnBattery());
        QCOMPARE(settings.islandSources(), IslandSourceSet{IslandSource::claudeApp});
        QCOMPARE(storedFile().value("screenVideos").toObject().value("D1").toString(),
                 QStringLiteral("/srv/b.mov"));
    }

    void speedsAreClampedAndOneIsRemoved_data()
    {
        QTest::addColumn<double>("requested");
        QTest::addColumn<double>("stored"); // 0 means no entry
        QTest::newRow("above") << 2.0 << 1.5;
        QTest::newRow("below") << 0.1 << 0.25;
        QTest::newRow("inside") << 0.75 << 0.75;
        QTest::newRow("near one") << 1.0005 << 0.0;
        QTest::newRow("one") << 1.0 << 0.0;
    }
    void speedsAreClampedAndOneIsRemoved()
    {
        QFETCH(double, requested);
        QFETCH(double, stored);
        JsonFileStore store(storePath());
        AppSettings settings(store);
        const QUrl x = file("/a/x.mp4");
        settings.setSpeed(0.5, x);
        settings.setSpeed(requested, x);
        if (stored == 0.0) {
            QVERIFY(!settings.speeds().contains("x.mp4"));
            QCOMPARE(settings.speed(x), 1.0);
        } else {
            QCOMPARE(settings.speeds().value("x.mp4"), stored);
            QCOMPARE(settings.speed(x), stored);
        }
    }

    void speedsAreKeyedByFileName()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        settings.setSpeed(1.25, file("/one/ocean.mp4"));
        QCOMPARE(settings.speed(file("/two/ocean.mp4")), 1.25);
        QCOMPARE(settings.speed(QUrl()), 1.0);
        settings.setSpeed(qQNaN(), file("/one/ocean.mp4"));
        QCOMPARE(settings.speed(file("/one/ocean.mp4")), 1.25);
    }

    void storedSpeedsAreTakenUnclamped()
    {
        writeStoredFile(R"({"videoSpeeds": {"fast.mp4": 3.0}})");
        JsonFileStore store(storePath());
        AppSettings settings(store);
        QCOMPARE(settings.speed(file("/x/fast.mp4")), 3.0);
    }

    void perDisplayEntries()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        const QUrl a = file("/l/a.mp4"), b = file("/l/b.mp4");
        settings.setVideo(a, std::nullopt);
        settings.setVideo(b, QStringLiteral("D1"));
        QCOMPARE(settings.video(QStringLiteral("D1")), b);
        QCOMPARE(settings.video(QStringLiteral("D2")), a);
        QCOMPARE(settings.video(std::nullopt), a);

        // Choosing the current video for a display removes its entry instead of adding one.
        settings.setVideo(a, QStringLiteral("D1"));
        QVERIFY(settings.screenVideos().isEmpty());

        settings.setVideo(b, QStringLiteral("D1"));
        settings.setVideo(b, QStringLiteral("D2"));
        settings.setVideo(b, std::nullopt);
        QVERIFY(settings.screenVideos().isEmpty());
        QCOMPARE(settings.currentVideo(), b);
    }

    void forgetRemovesInOrder()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        const QUrl a = file("/l/a.mp4"), b = file("/l/b.mp4"), c = file("/l/c.mp4");
        settings.setVideo(c, std::nullopt);
        settings.setVideo(a, QStringLiteral("D1"));
        settings.setVideo(a, QStringLiteral("D2"));
        settings.setVideo(b, QStringLiteral("D3"));
        settings.setCurrentVideo(a);
        settings.setSpeed(0.5, a);

        QStringList order;
        connect(&settings, &AppSettings::speedsWillChange, this, [&] { order << "speeds"; });
        connect(&settings, &AppSettings::screenVideosWillChange, this,
                [&] { order << "screenVideos"; });
        connect(&settings, &AppSettings::currentVideoWillChange, this,
                [&] { order << "currentVideo"; });
        settings.forget(a, b);

        QCOMPARE(order, (QStringList{"speeds", "screenVideos", "currentVideo"}));
        QCOMPARE(settings.screenVideos(), (AppSettings::ScreenVideos{{"D3", b}}));
        QCOMPARE(settings.currentVideo(), b);
        QVERIFY(!settings.speeds().contains("a.mp4"));
    }

    void forgetLeavesAnotherCurrentVideo()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        const QUrl a = file("/l/a.mp4"), b = file("/l/b.mp4"), c = file("/l/c.mp4");
        settings.setCurrentVideo(c);
        bool currentTouched = false;
        connect(&settings, &AppSettings::currentVideoWillChange, this,
                [&] { currentTouched = true; });
        settings.forget(a, b);
        QCOMPARE(settings.currentVideo(), c);
        QVERIFY(!currentTouched);
    }

    void observersSeeTheNewValueBeforeItIsStored()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        bool seen = false, heldOld = false, storedOld = false;
        connect(&settings, &AppSettings::pauseOnBatteryWillChange, this, [&](bool value) {
            seen = value;
            heldOld = !settings.pauseOnBattery();
            storedOld = !storedFile().value("pauseOnBattery").toBool();
        });
        bool changedAfter = false;
        connect(&settings, &AppSettings::pauseOnBatteryChanged, this, [&] {
            changedAfter =
                settings.pauseOnBattery() && storedFile().value("pauseOnBattery").toBool();
        });
        settings.setPauseOnBattery(true);
        QVERIFY(seen);
        QVERIFY(heldOld);
        QVERIFY(storedOld);
        QVERIFY(changedAfter);
    }

    // The library folder in one spelling: choosing it again, however spelled, notifies nothing;
    // an address that is no local folder, chosen or hand-edited, is no library at all.
    void choosingTheLibraryFolder_data()
    {
        QTest::addColumn<QStringList>("storedChosenKept");
        QTest::addColumn<int>("notices");
        QTest::newRow("same again") << QStringList{"/srv/a/", "/srv/a", "/srv/a/"} << 0;
        QTest::newRow("spelled otherwise")
            << QStringList{"/srv/a/", "/srv/./x/../a", "/srv/a/"} << 0;
        QTest::newRow("another") << QStringList{"/srv/a/", "/srv/b", "/srv/b"} << 1;
        QTest::newRow("web address") << QStringList{"/srv/a/", "https://example.com/a/", ""} << 1;
        QTest::newRow("stored share") << QStringList{"smb://nas/a", "smb://nas/a", ""} << 0;
    }
    void choosingTheLibraryFolder()
    {
        QFETCH(QStringList, storedChosenKept);
        QFETCH(int, notices);
        const auto url = [&](int i) {
            const QString text = storedChosenKept[i];
            return text.startsWith('/') ? file(text) : QUrl(text);
        };
        writeStoredFile(QJsonDocument(QJsonObject{{"libraryFolder", url(0).toString()}}).toJson());
        JsonFileStore store(storePath());
        AppSettings settings(store);
        int heard = 0;
        connect(&settings, &AppSettings::libraryFolderWillChange, this, [&] { ++heard; });
        settings.setLibraryFolder(url(1));
        QCOMPARE(settings.libraryFolder(), url(2));
        QCOMPARE(heard, notices);
    }

    void islandSources_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("unknown dropped")
            << QByteArray(R"(["music", "somethingElse"])") << QList<int>{int(IslandSource::music)};
        QTest::newRow("empty array") << QByteArray("[]") << QList<int>{};
        QTest::newRow("case matters")
            << QByteArray(R"(["Music", "claudeApp"])") << QList<int>{int(IslandSource::claudeApp)};
        QTest::newRow("not strings")
            << QByteArray(R"(["music", 3])")
            << QList<int>{int(IslandSource::music), int(IslandSource::claudeCode),
                          int(IslandSource::chatGPT)};
    }
    void islandSources()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QList<int>, expected);
        writeStoredFile("{\"islandSources\": " + stored + "}");
        JsonFileStore store(storePath());
        AppSettings settings(store);
        IslandSourceSet want;
        for (int v : expected)
            want.insert(IslandSource(v));
        QCOMPARE(settings.islandSources(), want);
    }

    void islandSourcesAreStoredSorted()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        settings.setIslandSources({IslandSource::music, IslandSource::chatGPT});
        QCOMPARE(storedFile().value("islandSources").toArray(), QJsonArray({"chatGPT", "music"}));
    }

    void wrongTypesTakeTheirDefaults()
    {
        writeStoredFile(R"({
            "libraryFolder": 12, "currentVideo": true, "spanScreens": "no",
            "screenVideos": {"D1": "/a.mp4", "D2": 4}, "fillMode": "Fit",
            "videoSpeeds": {"a.mp4": 0.5, "b.mp4": "fast"}, "showDynamicIsland": 0,
            "hasOnboarded": "yes", "pauseOnBattery": 1, "pauseInLowPower": null,
            "pauseWhenHot": [], "islandSources": "music"
        })");
        JsonFileStore store(storePath());
        AppSettings settings(store);
        QCOMPARE(settings.libraryFolder(), AppSettings::defaultLibrary());
        QVERIFY(settings.currentVideo().isEmpty());
        QVERIFY(settings.spanScreens());
        QVERIFY(settings.screenVideos().isEmpty());
        QCOMPARE(settings.fillMode(), FillMode::fill);
        QVERIFY(settings.speeds().isEmpty());
        QVERIFY(settings.showIsland());
        QVERIFY(!settings.hasOnboarded());
        QVERIFY(!settings.pauseOnBattery());
        QVERIFY(settings.pauseInLowPower());
        QVERIFY(settings.pauseWhenHot());
        QCOMPARE(settings.islandSources().size(), std::size_t(3));

        // The bad values are overwritten at the next write.
        settings.persist();
        QCOMPARE(storedFile().value("spanScreens"), QJsonValue(true));
    }

    void fillModeRawValues_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("mode");
        QTest::newRow("fit") << "fit" << int(FillMode::fit);
        QTest::newRow("stretch") << "stretch" << int(FillMode::stretch);
        QTest::newRow("fill") << "fill" << int(FillMode::fill);
        QTest::newRow("other case") << "STRETCH" << int(FillMode::fill);
        QTest::newRow("unknown") << "zoom" << int(FillMode::fill);
    }
    void fillModeRawValues()
    {
        QFETCH(QString, raw);
        QFETCH(int, mode);
        QCOMPARE(int(fillModeFromRaw(raw)), mode);
        QCOMPARE(fillModeFromRaw(rawValue(FillMode(mode))), FillMode(mode));
    }

    void corruptFileIsKeptAside()
    {
        const QByteArray garbage = "{\"spanScreens\": fal";
        writeStoredFile(garbage);
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        JsonFileStore store(storePath());
        AppSettings settings(store);
        QVERIFY(settings.spanScreens());
        QFile aside(storePath() + ".corrupt");
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), garbage);
        QCOMPARE(log.matching("Quintara: settings file").size(), 1);

        // A second bad file does not overwrite the first one kept aside.
        settings.setSpanScreens(false);
        writeStoredFile("not json");
        JsonFileStore again(storePath());
        QVERIFY(QFile::exists(storePath() + ".corrupt-2"));
        QVERIFY(aside.seek(0));
        QCOMPARE(aside.readAll(), garbage);
    }

    // A settings file that cannot be read (a folder in its place here) is moved aside whole.
    void unreadableFileIsKeptAside()
    {
        QVERIFY(QDir().mkpath(storePath() + "/inside"));
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        JsonFileStore store(storePath());
        AppSettings(store).setSpanScreens(false);
        QVERIFY(QFileInfo(storePath() + ".corrupt/inside").isDir());
        QCOMPARE(storedFile().value("spanScreens"), QJsonValue(false));
        QCOMPARE(log.matching("Quintara: settings file").size(), 1);
    }

    void flagsLiveInTheSameStore()
    {
        JsonFileStore store(storePath());
        AppSettings settings(store);
        settings.defaults().setValue(settings_keys::didSetUpLaunchAtLogin, true);
        settings.setShowIsland(false);
        const QJsonObject stored = storedFile();
        QCOMPARE(stored.value("didSetUpLaunchAtLogin"), QJsonValue(true));
        QVERIFY(!settings.defaults().boolValue(settings_keys::devTools));
    }

    void aKilledProcessHasLostNothing()
    {
        const QString video = QStringLiteral("/videos/after kill.mp4");
        QProcess writer;
        writer.start(QStringLiteral(SETTINGS_WRITER), {video});
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        JsonFileStore store(storePath());
        AppSettings settings(store);
        QCOMPARE(settings.currentVideo(), file(video));
    }
};

QUINTARA_TEST_MAIN(AppSettingsTest)
#include "tst_appsettings.moc"
