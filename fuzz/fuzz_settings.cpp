// The settings file as found on disk: read by the store and the settings, written back, and
// read again to the same settings.
#include "FuzzSupport.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>

using namespace quintara;

namespace {

bool sameSettings(const AppSettings &a, const AppSettings &b)
{
    return a.libraryFolder() == b.libraryFolder() && a.currentVideo() == b.currentVideo() &&
           a.spanScreens() == b.spanScreens() && a.screenVideos() == b.screenVideos() &&
           a.fillMode() == b.fillMode() && a.speeds() == b.speeds() &&
           a.hasOnboarded() == b.hasOnboarded() && a.showIsland() == b.showIsland() &&
           a.pauseOnBattery() == b.pauseOnBattery() && a.pauseInLowPower() == b.pauseInLowPower() &&
           a.pauseWhenHot() == b.pauseWhenHot() && a.islandSources() == b.islandSources();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString folder = fuzz::environment().home() + QStringLiteral("/settings");
    QDir(folder).removeRecursively(); // the file, and a copy an earlier input set aside
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/settings.json");
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    JsonFileStore store(path);
    AppSettings settings(store);
    settings.persist();
    JsonFileStore written(path);
    AppSettings reread(written);
    FUZZ_CHECK(sameSettings(settings, reread));
    return 0;
}
