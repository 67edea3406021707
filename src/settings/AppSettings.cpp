#include "settings/AppSettings.h"

#include "settings/QmlSingleton.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace quintara {

namespace keys = settings_keys;

namespace {

// URLs are stored as URL strings; a bare absolute path is read as a file URL too.
QUrl urlFrom(const QJsonValue &value)
{
    if (!value.isString() || value.toString().isEmpty())
        return {};
    const QString text = value.toString();
    if (text.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(text);
    const QUrl url(text);
    return url.isValid() ? url : QUrl();
}

QJsonValue urlValue(const QUrl &url)
{
    if (url.isEmpty())
        return QJsonValue(QJsonValue::Undefined);
    return url.toString(QUrl::FullyEncoded);
}

bool boolOr(const QJsonValue &value, bool fallback)
{
    return value.isBool() ? value.toBool() : fallback;
}

} // namespace

AppSettings::AppSettings(KeyValueStore &defaults, QObject *parent)
    : QObject(parent), m_defaults(defaults)
{
    load();
}

AppSettings *AppSettings::create(QQmlEngine *qml, QJSEngine *)
{
    return qml_singleton::instance<AppSettings>(qml);
}

QUrl AppSettings::defaultLibrary()
{
    const QString path = QDir::homePath() + QStringLiteral("/Movies/Quintara");
    QDir().mkpath(path);
    return QUrl::fromLocalFile(path + QLatin1Char('/'));
}

namespace {
// The folder's path in one spelling; empty for anything that is no local folder.
QString folderPath(const QUrl &folder)
{
    const QString path = folder.isLocalFile() ? folder.toLocalFile() : QString();
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}
} // namespace

bool AppSettings::sameFolder(const QUrl &a, const QUrl &b)
{
    return folderPath(a) == folderPath(b);
}

void AppSettings::load()
{
    // A stored folder that is no local folder reads as none, not as the default.
    const QUrl library = urlFrom(m_defaults.value(keys::libraryFolder));
    if (library.isEmpty())
        m_libraryFolder = defaultLibrary();
    else if (!folderPath(library).isEmpty())
        m_libraryFolder = library;
    else
        m_unusableLibrary = m_defaults.value(keys::libraryFolder);
    m_currentVideo = urlFrom(m_defaults.value(keys::currentVideo));
    m_spanScreens = boolOr(m_defaults.value(keys::spanScreens), true);

    const QJsonValue screens = m_defaults.value(keys::screenVideos);
    if (screens.isObject()) {
        const QJsonObject object = screens.toObject();
        ScreenVideos loaded;
        bool allStrings = true;
        for (auto it = object.begin(); it != object.end() && allStrings; ++it) {
            allStrings = it.value().isString();
            // A path that names no file ("", "//") would leave its display without a wallpaper
            // instead of showing the current one.
            const QUrl url = QUrl::fromLocalFile(it.value().toString());
            if (!url.toLocalFile().isEmpty())
                loaded.insert(it.key(), url);
        }
        if (allStrings)
            m_screenVideos = loaded;
    }

    m_fillMode = fillModeFromRaw(m_defaults.value(keys::fillMode).toString());

    const QJsonValue speeds = m_defaults.value(keys::videoSpeeds);
    if (speeds.isObject()) {
        const QJsonObject object = speeds.toObject();
        Speeds loaded;
        bool allNumbers = true;
        for (auto it = object.begin(); it != object.end() && allNumbers; ++it) {
            allNumbers = it.value().isDouble();
            loaded.insert(it.key(), it.value().toDouble());
        }
        if (allNumbers)
            m_speeds = loaded;
    }

    m_showIsland = boolOr(m_defaults.value(keys::showDynamicIsland), true);
    m_hasOnboarded = m_defaults.boolValue(keys::hasOnboarded);
    m_pauseOnBattery = boolOr(m_defaults.value(keys::pauseOnBattery), false);
    m_pauseInLowPower = boolOr(m_defaults.value(keys::pauseInLowPower), true);
    m_pauseWhenHot = boolOr(m_defaults.value(keys::pauseWhenHot), true);

    const QJsonValue sources = m_defaults.value(keys::islandSources);
    const QJsonArray array = sources.toArray();
    const bool stringArray =
        sources.isArray() &&
        std::all_of(array.begin(), array.end(), [](const QJsonValue &v) { return v.isString(); });
    if (stringArray) {
        for (const QJsonValue &v : array)
            if (auto source = islandSourceFromRaw(v.toString()))
                m_islandSources.insert(*source);
    } else {
        m_islandSources = {IslandSource::music, IslandSource::claudeCode, IslandSource::chatGPT};
    }
}

void AppSettings::persist()
{
    QJsonObject screens;
    for (auto it = m_screenVideos.cbegin(); it != m_screenVideos.cend(); ++it)
        screens.insert(it.key(), it.value().toLocalFile());
    QJsonObject speeds;
    for (auto it = m_speeds.cbegin(); it != m_speeds.cend(); ++it)
        speeds.insert(it.key(), it.value());
    QStringList sources;
    for (IslandSource source : m_islandSources)
        sources.append(rawValue(source));
    sources.sort();

    m_defaults.setValues({
        {keys::libraryFolder,
         m_libraryFolder.isEmpty() ? m_unusableLibrary : urlValue(m_libraryFolder)},
        {keys::currentVideo, urlValue(m_currentVideo)},
        {keys::spanScreens, m_spanScreens},
        {keys::screenVideos, screens},
        {keys::fillMode, rawValue(m_fillMode)},
        {keys::videoSpeeds, speeds},
        {keys::showDynamicIsland, m_showIsland},
        {keys::hasOnboarded, m_hasOnboarded},
        {keys::pauseOnBattery, m_pauseOnBattery},
        {keys::pauseInLowPower, m_pauseInLowPower},
        {keys::pauseWhenHot, m_pauseWhenHot},
        {keys::islandSources, QJsonArray::fromStringList(sources)},
    });
}

void AppSettings::setLibraryFolder(const QUrl &value)
{
    // The same folder again, however spelled, is no change; what is no local folder is none.
    if (sameFolder(value, m_libraryFolder)) {
        persist();
        return;
    }
    m_unusableLibrary = QJsonValue(QJsonValue::Undefined); // the user's choice replaces it
    assign(m_libraryFolder, folderPath(value).isEmpty() ? QUrl() : value,
           &AppSettings::libraryFolderWillChange, &AppSettings::libraryFolderChanged);
}

void AppSettings::setCurrentVideo(const QUrl &value)
{
    assign(m_currentVideo, value, &AppSettings::currentVideoWillChange,
           &AppSettings::currentVideoChanged);
}

void AppSettings::setSpanScreens(bool value)
{
    assign(m_spanScreens, value, &AppSettings::spanScreensWillChange,
           &AppSettings::spanScreensChanged);
}

void AppSettings::setScreenVideos(const ScreenVideos &value)
{
    assign(m_screenVideos, value, &AppSettings::screenVideosWillChange,
           &AppSettings::screenVideosChanged);
}

void AppSettings::setFillMode(FillMode value)
{
    assign(m_fillMode, value, &AppSettings::fillModeWillChange, &AppSettings::fillModeChanged);
}

void AppSettings::setSpeeds(const Speeds &value)
{
    assign(m_speeds, value, &AppSettings::speedsWillChange, &AppSettings::speedsChanged);
}

void AppSettings::setHasOnboarded(bool value)
{
    assign(m_hasOnboarded, value, &AppSettings::hasOnboardedWillChange,
           &AppSettings::hasOnboardedChanged);
}

void AppSettings::setShowIsland(bool value)
{
    assign(m_showIsland, value, &AppSettings::showIslandWillChange,
           &AppSettings::showIslandChanged);
}

void AppSettings::setPauseOnBattery(bool value)
{
    assign(m_pauseOnBattery, value, &AppSettings::pauseOnBatteryWillChange,
           &AppSettings::pauseOnBatteryChanged);
}

void AppSettings::setPauseInLowPower(bool value)
{
    assign(m_pauseInLowPower, value, &AppSettings::pauseInLowPowerWillChange,
           &AppSettings::pauseInLowPowerChanged);
}

void AppSettings::setPauseWhenHot(bool value)
{
    assign(m_pauseWhenHot, value, &AppSettings::pauseWhenHotWillChange,
           &AppSettings::pauseWhenHotChanged);
}

void AppSettings::setIslandSources(const IslandSourceSet &value)
{
    assign(m_islandSources, value, &AppSettings::islandSourcesWillChange,
           &AppSettings::islandSourcesChanged);
}

QUrl AppSettings::video(const std::optional<QString> &screen) const
{
    if (screen) {
        auto it = m_screenVideos.constFind(*screen);
        if (it != m_screenVideos.cend())
            return it.value();
    }
    return m_currentVideo;
}

void AppSettings::setVideo(const QUrl &url, const std::optional<QString> &screen)
{
    if (!screen) {
        setScreenVideos({});
        setCurrentVideo(url);
        return;
    }
    ScreenVideos videos = m_screenVideos;
    if (url == m_currentVideo)
        videos.remove(*screen);
    else
        videos.insert(*screen, url);
    setScreenVideos(videos);
}

double AppSettings::speed(const QUrl &url) const
{
    if (url.isEmpty())
        return 1.0;
    return m_speeds.value(url.fileName(), 1.0);
}

void AppSettings::setSpeed(double speed, const QUrl &url)
{
    if (std::isnan(speed))
        return; // no speed to store; JSON cannot hold it either
    const double clamped = std::clamp(speed, minimumSpeed, maximumSpeed);
    Speeds speeds = m_speeds;
    const QString key = url.fileName();
    if (std::abs(clamped - 1.0) < 0.001)
        speeds.remove(key);
    else
        speeds.insert(key, clamped);
    setSpeeds(speeds);
}

void AppSettings::forget(const QUrl &url, const QUrl &replacement)
{
    Speeds speeds = m_speeds;
    speeds.remove(url.fileName());
    setSpeeds(speeds);

    ScreenVideos screens = m_screenVideos;
    screens.removeIf([&](const auto &entry) { return entry.value() == url; });
    setScreenVideos(screens);

    if (m_currentVideo == url)
        setCurrentVideo(replacement);
}

void AppSettings::setIslandSourceEnabled(IslandSource source, bool enabled)
{
    IslandSourceSet sources = m_islandSources;
    if (enabled)
        sources.insert(source);
    else
        sources.erase(source);
    setIslandSources(sources);
}

QVariantMap AppSettings::screenVideoMap() const
{
    QVariantMap map;
    for (auto it = m_screenVideos.cbegin(); it != m_screenVideos.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

QVariantMap AppSettings::speedMap() const
{
    QVariantMap map;
    for (auto it = m_speeds.cbegin(); it != m_speeds.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

QList<IslandSource> AppSettings::islandSourceList() const
{
    return {m_islandSources.begin(), m_islandSources.end()};
}

QVariantList AppSettings::fillModeCases()
{
    QVariantList cases;
    for (FillMode mode : allFillModes)
        cases.append(QVariantMap{{QStringLiteral("value"), int(mode)},
                                 {QStringLiteral("raw"), rawValue(mode)},
                                 {QStringLiteral("label"), label(mode)}});
    return cases;
}

QVariantList AppSettings::islandSourceCases()
{
    QVariantList cases;
    for (IslandSource source : allIslandSources)
        cases.append(QVariantMap{{QStringLiteral("value"), int(source)},
                                 {QStringLiteral("raw"), rawValue(source)}});
    return cases;
}

} // namespace quintara
