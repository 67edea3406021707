#include "TestMain.h"
#include "app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace quintara;
using Action = LaunchOptions::Action;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    // A Wayland session runs on XWayland unless the user chose a platform; without XWayland
    // Quintara cannot run.
    void platformOfTheSession_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("platform"); // "-": cannot run
        QTest::newRow("X11") << QStringList{"DISPLAY"} << "";
        QTest::newRow("Wayland") << QStringList{"WAYLAND_DISPLAY", "DISPLAY"} << "xcb";
        QTest::newRow("chosen") << QStringList{"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"}
                                << "";
        QTest::newRow("no XWayland") << QStringList{"WAYLAND_DISPLAY"} << "-";
    }
    void platformOfTheSession()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, platform);
        QProcessEnvironment set;
        for (const QString &name : environment)
            set.insert(name, "x");
        const PlatformChoice choice = choosePlatform(set);
        QCOMPARE(choice.canRun ? choice.platform : "-", platform);
        QCOMPARE(choice.logLine.isEmpty(), platform.isEmpty()); // said in one line
    }

    void parsing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("nothing") << QStringList{} << int(Action::run) << QStringList{};
        QTest::newRow("help") << QStringList{"--help"} << int(Action::help) << QStringList{};
        QTest::newRow("short help") << QStringList{"-h"} << int(Action::help) << QStringList{};
        QTest::newRow("version") << QStringList{"--version"} << int(Action::version)
                                 << QStringList{};
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << int(Action::error) << QStringList{};
        QTest::newRow("links") << QStringList{"quintara://install?id=a", "quintara:x"}
                               << int(Action::run)
                               << QStringList{"quintara://install?id=a", "quintara:x"};
        QTest::newRow("a file") << QStringList{"/tmp/a.mp4"} << int(Action::error) << QStringList{};
        QTest::newRow("another scheme")
            << QStringList{"https://example.org"} << int(Action::error) << QStringList{};
    }
    void parsing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QStringList, urls);
        const LaunchOptions options = parseCommandLine(QStringList{"quintara"} + arguments);
        QCOMPARE(int(options.action), action);
        QCOMPARE(options.urls, urls);
        if (action == int(Action::error))
            QVERIFY(!options.message.isEmpty());
    }

    void wallpaperFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::newRow("mp4") << "sea.mp4"
                             << "";
        QTest::newRow("upper-case mov") << "SEA.MOV"
                                        << "";
        QTest::newRow("missing") << "gone.mp4"
                                 << "there is no such file";
        QTest::newRow("not a video") << "notes.txt"
                                     << "only .mp4, .mov and .m4v videos";
        QTest::newRow("a folder") << "folder.mp4"
                                  << "it is not a file";
        QTest::newRow("no value") << ""
                                  << "Missing value after '--wallpaper'";
    }
    void wallpaperFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        const QString dir = QDir::homePath() + "/videos";
        QDir().mkpath(dir + "/folder.mp4");
        for (const char *file : {"sea.mp4", "SEA.MOV", "notes.txt"}) {
            QFile f(dir + "/" + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        // Relative paths are taken from the current directory.
        QVERIFY(QDir::setCurrent(dir));
        QStringList arguments{"quintara", "--wallpaper"};
        if (!name.isEmpty())
            arguments << name;
        const LaunchOptions options = parseCommandLine(arguments);
        if (problem.isEmpty()) {
            QCOMPARE(int(options.action), int(Action::run));
            QCOMPARE(options.wallpaper, dir + "/" + name);
        } else {
            QCOMPARE(int(options.action), int(Action::error));
            QVERIFY2(options.message.contains(problem), qPrintable(options.message));
            QVERIFY(options.wallpaper.isEmpty());
        }
    }

    // The real binary: exit codes and where the text goes.
    void binary_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutHas");
        QTest::addColumn<QString>("stderrHas");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--version"
                              << "";
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QStringLiteral("Quintara " QUINTARA_VERSION) << "";
        QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << ""
                                 << "bogus";
        QTest::newRow("missing wallpaper")
            << QStringList{"--wallpaper", "/nonexistent/sea.mp4"} << 2 << ""
            << "Cannot use '/nonexistent/sea.mp4' as the wallpaper: there is no such file.";
    }
    void binary()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutHas);
        QFETCH(QString, stderrHas);
        QProcess quintara;
        quintara.start(qEnvironmentVariable("QUINTARA_BINARY"), arguments);
        QVERIFY(quintara.waitForFinished(30000));
        QCOMPARE(quintara.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quintara.exitCode(), exitCode);
        QVERIFY(QString::fromUtf8(quintara.readAllStandardOutput()).contains(stdoutHas));
        QVERIFY(QString::fromUtf8(quintara.readAllStandardError()).contains(stderrHas));
    }
};

QUINTARA_TEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
