#include "Desktop.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/CommandLine.h"

#include <QDir>

using namespace quintara;
using Action = LaunchOptions::Action;

Q_DECLARE_METATYPE(Action)

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
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("urls");
        const QStringList links{"quintara://install?id=a", "quintara:x"};
        const auto row = [](const char *name, QStringList arguments, Action action) {
            QTest::newRow(name) << arguments << action << QStringList{};
        };
        row("nothing", {}, Action::run);
        row("help", {"--help"}, Action::help);
        row("short help", {"-h"}, Action::help);
        row("version", {"--version"}, Action::version);
        row("unknown", {"--frobnicate"}, Action::error);
        row("a file", {"/tmp/a.mp4"}, Action::error);
        row("another scheme", {"https://example.org"}, Action::error);
        QTest::newRow("links") << links << Action::run << links;
    }
    void parsing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QStringList, urls);
        const LaunchOptions options = parseCommandLine(QStringList{"quintara"} + arguments);
        QCOMPARE(options.action, action);
        QCOMPARE(options.urls, urls);
        QCOMPARE(options.message.isEmpty(), action == Action::run);
    }

    void wallpaperFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("problem"); // empty: accepted
        const auto row = [](const char *name, QStringList arguments, const char *problem) {
            QTest::newRow(name) << arguments << QString::fromUtf8(problem);
        };
        row("mp4", {"sea.mp4"}, "");
        row("upper-case mov", {"SEA.MOV"}, "");
        row("missing", {"gone.mp4"}, "there is no such file");
        row("not a video", {"notes.txt"}, "only .mp4, .mov and .m4v videos");
        row("a folder", {"folder.mp4"}, "it is not a file");
        row("no value", {}, "Missing value after '--wallpaper'");
    }
    void wallpaperFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, problem);
        const QString dir = test::freshFolder("videos");
        QDir().mkpath(dir + "/folder.mp4");
        for (const char *file : {"sea.mp4", "SEA.MOV", "notes.txt"})
            QVERIFY(test::writeFile(dir + "/" + file));
        // Relative paths are taken from the current directory.
        QVERIFY(QDir::setCurrent(dir));
        const LaunchOptions options =
            parseCommandLine(QStringList{"quintara", "--wallpaper"} + arguments);
        QCOMPARE(int(options.action), int(problem.isEmpty() ? Action::run : Action::error));
        QVERIFY2(options.message.contains(problem), qPrintable(options.message));
        QCOMPARE(options.wallpaper, problem.isEmpty() ? dir + "/" + arguments.value(0) : QString());
    }

    // The real binary: exit codes and where the text goes.
    void binary_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("help") << "--help" << 0 << "--version" << QString();
        QTest::newRow("version") << "--version" << 0 << "Quintara " QUINTARA_VERSION << QString();
        QTest::newRow("unknown") << "--bogus" << 2 << QString() << "bogus";
    }
    void binary()
    {
        QFETCH(QString, argument);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        test::QuintaraProcess quintara({argument});
        QCOMPARE(quintara.finish(), exitCode);
        QVERIFY(QString::fromUtf8(quintara.readAllStandardOutput()).contains(out));
        QVERIFY(QString::fromUtf8(quintara.log).contains(err));
    }
};

QUINTARA_TEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
