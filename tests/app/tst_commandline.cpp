#include "Desktop.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/CommandLine.h"

#include <QDir>

using namespace quintara;
using Action = LaunchOptions::Action;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    // A Wayland session runs on XWayland unless the user chose a platform; without XWayland
    // Quintara cannot run.
    void platformOfTheSession_data()
    {
        // platform: "-": cannot run
        const auto row = test::rows<std::tuple<QStringList, QString>>();
        row("X11", {QStringList{"DISPLAY"}, ""});
        row("Wayland", {QStringList{"WAYLAND_DISPLAY", "DISPLAY"}, "xcb"});
        row("chosen", {QStringList{"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"}, ""});
        row("no XWayland", {QStringList{"WAYLAND_DISPLAY"}, "-"});
    }
    void platformOfTheSession()
    {
        const auto &[environment, platform] = test::row<std::tuple<QStringList, QString>>();
        QProcessEnvironment set;
        for (const QString &name : environment)
            set.insert(name, "x");
        const PlatformChoice choice = choosePlatform(set);
        QCOMPARE(choice.canRun ? choice.platform : "-", platform);
        QCOMPARE(choice.logLine.isEmpty(), platform.isEmpty()); // said in one line
    }

    void parsing_data()
    {
        // --help, --version and an unknown option: the binary's rows below.
        const auto row = test::rows<std::tuple<QStringList, Action, QStringList>>(); // urls last
        const QStringList links{"quintara://install?id=a", "quintara:x"};
        row("nothing", {QStringList(), Action::run, {}});
        row("short help", {{"-h"}, Action::help, {}});
        row("a file", {{"/tmp/a.mp4"}, Action::error, {}});
        row("another scheme", {{"https://example.org"}, Action::error, {}});
        row("links", {links, Action::run, links});
    }
    void parsing()
    {
        const auto &[arguments, action, urls] =
            test::row<std::tuple<QStringList, Action, QStringList>>();
        const LaunchOptions options = parseCommandLine(QStringList{"quintara"} + arguments);
        QCOMPARE(options.action, action);
        QCOMPARE(options.urls, urls);
        QCOMPARE(options.message.isEmpty(), action == Action::run);
    }

    void wallpaperFile_data()
    {
        const auto row = test::rows<std::pair<QStringList, QString>>(); // problem: empty, accepted
        row("mp4", {{"sea.mp4"}, ""});
        row("upper-case mov", {{"SEA.MOV"}, ""});
        row("missing", {{"gone.mp4"}, "there is no such file"});
        row("not a video", {{"notes.txt"}, "only .mp4, .mov and .m4v videos"});
        row("a folder", {{"folder.mp4"}, "it is not a file"});
        row("no value", {{}, "Missing value after '--wallpaper'"});
    }
    void wallpaperFile()
    {
        const auto &[arguments, problem] = test::row<std::pair<QStringList, QString>>();
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
        const auto row = test::rows<std::tuple<QString, int, QString, QString>>();
        row("help", {"--help", 0, "--version", QString()});
        row("version", {"--version", 0, "Quintara " QUINTARA_VERSION, QString()});
        row("unknown", {"--bogus", 2, QString(), "bogus"});
    }
    void binary()
    {
        const auto &[argument, exitCode, out, err] =
            test::row<std::tuple<QString, int, QString, QString>>();
        test::QuintaraProcess quintara({argument});
        QCOMPARE(quintara.finish(), exitCode);
        QVERIFY(QString::fromUtf8(quintara.readAllStandardOutput()).contains(out));
        QVERIFY(QString::fromUtf8(quintara.log).contains(err));
    }
};

QUINTARA_TEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
