// The settings file's contents: read by the store's decoding and the settings, written back
// through the store's encoding, and read again to the same settings. Held in memory: the file
// around the bytes only adds a disk sync per input.
#include "FuzzSupport.h"
#include "TestFiles.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

using namespace quintara;
using test::MemoryStore;

namespace {

// Addresses compare by the text they are stored as: QUrl tells "##" from "#%23" though both are
// written "#%23" and mean the same.
QString text(const QUrl &url)
{
    return url.toString(QUrl::FullyEncoded);
}

QMap<QString, QString> texts(const AppSettings::ScreenVideos &videos)
{
    QMap<QString, QString> result;
    for (auto it = videos.cbegin(); it != videos.cend(); ++it)
        result.insert(it.key(), text(it.value()));
    return result;
}

bool sameSettings(const AppSettings &a, const AppSettings &b)
{
    return text(a.libraryFolder()) == text(b.libraryFolder()) &&
           text(a.currentVideo()) == text(b.currentVideo()) && a.spanScreens() == b.spanScreens() &&
           texts(a.screenVideos()) == texts(b.screenVideos()) && a.fillMode() == b.fillMode() &&
           a.speeds() == b.speeds() && a.hasOnboarded() == b.hasOnboarded() &&
           a.showIsland() == b.showIsland() && a.pauseOnBattery() == b.pauseOnBattery() &&
           a.pauseInLowPower() == b.pauseInLowPower() && a.pauseWhenHot() == b.pauseWhenHot() &&
           a.islandSources() == b.islandSources();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // A file that is not one object is kept aside and the defaults start afresh.
    MemoryStore store(JsonFileStore::decode(bytes).value_or(QJsonObject()));
    AppSettings settings(store);
    settings.persist();

    const std::optional<QJsonObject> written =
        JsonFileStore::decode(JsonFileStore::encode(store.values()));
    FUZZ_CHECK(written && *written == store.values());
    MemoryStore rereadStore(*written);
    AppSettings reread(rereadStore);
    FUZZ_CHECK(sameSettings(settings, reread));
    return 0;
}
