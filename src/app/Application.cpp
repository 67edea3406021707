#include "app/Application.h"

#include "app/ActivityCommand.h"
#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "engine/player/RenderPath.h"
#include "platform/LogSink.h"
#include "platform/linux/DBusApplicationInstance.h"
#include "platform/linux/JsonFileStore.h"
#include "platform/linux/LinuxPowerSources.h"

#include <QApplication>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace quintara {

namespace {

QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

QList<QUrl> toUrls(const QStringList &uris)
{
    QList<QUrl> urls;
    for (const QString &uri : uris)
        urls.append(QUrl(uri));
    return urls;
}

int handOver(ApplicationInstance &instance, const LaunchOptions &options)
{
    bool delivered = true;
    if (!options.wallpaper.isEmpty())
        delivered =
            instance.forwardAction(QString::fromLatin1(wallpaperAction), {options.wallpaper});
    if (!options.urls.isEmpty())
        delivered = instance.forwardOpen(options.urls) && delivered;
    if (options.wallpaper.isEmpty() && options.urls.isEmpty())
        delivered = instance.forwardActivate();
    return delivered ? 0 : 1;
}

} // namespace

int runApplication(int argc, char **argv)
{
    const LaunchOptions options = parseCommandLine(argumentList(argc, argv));
    switch (options.action) {
    case LaunchOptions::Action::help:
    case LaunchOptions::Action::version:
        std::printf("%s\n", options.message.toLocal8Bit().constData());
        return 0;
    case LaunchOptions::Action::error:
        std::fprintf(stderr, "quintara: %s\n", options.message.toLocal8Bit().constData());
        return 2;
    case LaunchOptions::Action::activity:
        return runActivityCommand(argc, argv, options);
    case LaunchOptions::Action::run:
        break;
    }

    const PlatformChoice platform = choosePlatform(QProcessEnvironment::systemEnvironment());
    if (!platform.logLine.isEmpty())
        log::line(platform.logLine);
    if (!platform.canRun)
        return 1;
    if (!platform.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform.platform.toLocal8Bit());

    QApplication::setApplicationName(QStringLiteral("Quintara"));
    QApplication::setOrganizationName(QStringLiteral("Quintara"));
    QApplication::setApplicationVersion(QStringLiteral(QUINTARA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.quintara.Quintara"));
    // Every Qt Quick window of the process draws the same way as the video layers.
    configureRenderPath();
    QApplication app(argc, argv);
    // An accessory application: it keeps running with no window open.
    app.setQuitOnLastWindowClosed(false);

    DBusApplicationInstance instance;
    const ApplicationInstance::Role role = instance.claim();
    if (role == ApplicationInstance::Role::secondary)
        return handOver(instance, options);

    JsonFileStore defaults(JsonFileStore::defaultPath());
    AppDelegate delegate(defaults, defaultScheduler(), linuxPowerSources(defaultScheduler()));
    QObject::connect(&instance, &ApplicationInstance::activateRequested, &delegate,
                     [&delegate] { delegate.applicationShouldHandleReopen(); });
    QObject::connect(&instance, &ApplicationInstance::openRequested, &delegate,
                     [&delegate](const QStringList &uris) { delegate.openUrls(toUrls(uris)); });

    QObject::connect(&instance, &ApplicationInstance::actionRequested, &delegate,
                     [&delegate](const QString &name, const QVariantList &arguments) {
                         if (name == QLatin1String(wallpaperAction) && arguments.size() == 1)
                             delegate.chooseWallpaper(
                                 QUrl::fromLocalFile(arguments.first().toString()));
                         else
                             log::line(QStringLiteral("Quintara: unknown action %1").arg(name));
                     });

    QTimer::singleShot(0, &delegate, [&delegate, &options] {
        delegate.applicationDidFinishLaunching();
        if (!options.wallpaper.isEmpty())
            delegate.chooseWallpaper(QUrl::fromLocalFile(options.wallpaper));
        if (!options.urls.isEmpty())
            delegate.openUrls(toUrls(options.urls));
    });
    return app.exec();
}

} // namespace quintara
