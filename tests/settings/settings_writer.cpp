// Assigns the current video given on the command line, then dies without any shutdown.
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    quintara::JsonFileStore store(quintara::JsonFileStore::defaultPath());
    quintara::AppSettings settings(store);
    settings.setCurrentVideo(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    std::raise(SIGKILL);
    return 0;
}
