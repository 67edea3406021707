#pragma once

#include "platform/KeyValueStore.h"
#include "settings/FillMode.h"
#include "settings/IslandSource.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <optional>

class QQmlEngine;
class QJSEngine;

namespace quintara {

// Every user preference and the choice of wallpapers. Loaded once from the store; every
// assignment notifies the `...WillChange` observers with the new value (the property still holds
// the old one while they run), stores it, writes the whole set back, and then emits `...Changed`
// for bindings. An observer that needs the settings' new state defers its work.
//
// QML sees the one instance the composition root made (`import Quintara.Settings`, then
// `AppSettings.spanScreens`). QML cannot name lower-case enumerators, so it takes enumeration
// cases from `fillModeCases` and `islandSourceCases`.
class AppSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(
        QUrl libraryFolder READ libraryFolder WRITE setLibraryFolder NOTIFY libraryFolderChanged)
    Q_PROPERTY(QUrl currentVideo READ currentVideo WRITE setCurrentVideo NOTIFY currentVideoChanged)
    Q_PROPERTY(bool spanScreens READ spanScreens WRITE setSpanScreens NOTIFY spanScreensChanged)
    Q_PROPERTY(bool hasOnboarded READ hasOnboarded WRITE setHasOnboarded NOTIFY hasOnboardedChanged)
    Q_PROPERTY(bool showIsland READ showIsland WRITE setShowIsland NOTIFY showIslandChanged)
    Q_PROPERTY(bool pauseOnBattery READ pauseOnBattery WRITE setPauseOnBattery NOTIFY
                   pauseOnBatteryChanged)
    Q_PROPERTY(bool pauseInLowPower READ pauseInLowPower WRITE setPauseInLowPower NOTIFY
                   pauseInLowPowerChanged)
    Q_PROPERTY(bool pauseWhenHot READ pauseWhenHot WRITE setPauseWhenHot NOTIFY pauseWhenHotChanged)
    Q_PROPERTY(quintara::fill_mode::FillMode fillMode READ fillMode WRITE setFillMode NOTIFY
                   fillModeChanged)
    // Display id to file URL.
    Q_PROPERTY(QVariantMap screenVideos READ screenVideoMap NOTIFY screenVideosChanged)
    // File name to speed.
    Q_PROPERTY(QVariantMap speeds READ speedMap NOTIFY speedsChanged)
    Q_PROPERTY(QList<quintara::island_source::IslandSource> islandSources READ islandSourceList
                   NOTIFY islandSourcesChanged)
    // Every case in order, as {value, raw, label} and {value, raw}; `value` is the number QML
    // compares with and assigns.
    Q_PROPERTY(QVariantList fillModeCases READ fillModeCases CONSTANT)
    Q_PROPERTY(QVariantList islandSourceCases READ islandSourceCases CONSTANT)

public:
    using ScreenVideos = QMap<QString, QUrl>;
    using Speeds = QMap<QString, double>;

    static constexpr double minimumSpeed = 0.25;
    static constexpr double maximumSpeed = 1.5;

    // Loads every setting from `defaults` (not owned; it must outlive the settings).
    explicit AppSettings(KeyValueStore &defaults, QObject *parent = nullptr);

    // The instance the composition root provided to `qml`.
    static AppSettings *create(QQmlEngine *qml, QJSEngine *);

    // ~/Movies/Quintara, created with its parents when missing (a failure is ignored).
    static QUrl defaultLibrary();
    // Whether two library folder URLs name the same folder, however spelled ("/a/", "/a",
    // "/b/../a"). Anything but a local file (a hand-edited http: or smb: address) is no folder.
    static bool sameFolder(const QUrl &a, const QUrl &b);

    // An empty URL means absent.
    QUrl libraryFolder() const { return m_libraryFolder; }
    QUrl currentVideo() const { return m_currentVideo; }
    bool spanScreens() const { return m_spanScreens; }
    ScreenVideos screenVideos() const { return m_screenVideos; }
    FillMode fillMode() const { return m_fillMode; }
    Speeds speeds() const { return m_speeds; }
    bool hasOnboarded() const { return m_hasOnboarded; }
    bool showIsland() const { return m_showIsland; }
    bool pauseOnBattery() const { return m_pauseOnBattery; }
    bool pauseInLowPower() const { return m_pauseInLowPower; }
    bool pauseWhenHot() const { return m_pauseWhenHot; }
    IslandSourceSet islandSources() const { return m_islandSources; }

    void setLibraryFolder(const QUrl &value);
    void setCurrentVideo(const QUrl &value);
    void setSpanScreens(bool value);
    void setScreenVideos(const ScreenVideos &value);
    void setFillMode(FillMode value);
    void setSpeeds(const Speeds &value);
    void setHasOnboarded(bool value);
    void setShowIsland(bool value);
    void setPauseOnBattery(bool value);
    void setPauseInLowPower(bool value);
    void setPauseWhenHot(bool value);
    void setIslandSources(const IslandSourceSet &value);

    // Writes every key from the current values. Harmless to repeat.
    void persist();

    // The display's own wallpaper if it has one, else the current video.
    QUrl video(const std::optional<QString> &screen) const;
    // No display: clears every per-display choice and makes `url` current. A display: stores
    // `url` for it, or removes its entry when `url` is the current video.
    void setVideo(const QUrl &url, const std::optional<QString> &screen);
    // 1.0 for an absent URL or a file with no stored speed.
    Q_INVOKABLE double speed(const QUrl &url) const;
    // Clamped to 0.25...1.5; a speed within 0.001 of 1.0 removes the entry.
    Q_INVOKABLE void setSpeed(double speed, const QUrl &url);
    // A wallpaper file left the library: its speed and per-display uses go, and when it was the
    // current video, `replacement` (possibly empty) takes its place.
    void forget(const QUrl &url, const QUrl &replacement);
    // Switches one kind of island content on or off.
    Q_INVOKABLE void setIslandSourceEnabled(quintara::island_source::IslandSource source,
                                            bool enabled);

    QVariantMap screenVideoMap() const;
    QVariantMap speedMap() const;
    QList<IslandSource> islandSourceList() const;
    static QVariantList fillModeCases();
    static QVariantList islandSourceCases();

    // The store itself, for the flags kept beside the settings.
    KeyValueStore &defaults() { return m_defaults; }

signals:
    void libraryFolderWillChange(const QUrl &value);
    void currentVideoWillChange(const QUrl &value);
    void spanScreensWillChange(bool value);
    void screenVideosWillChange(const quintara::AppSettings::ScreenVideos &value);
    void fillModeWillChange(quintara::FillMode value);
    void speedsWillChange(const quintara::AppSettings::Speeds &value);
    void hasOnboardedWillChange(bool value);
    void showIslandWillChange(bool value);
    void pauseOnBatteryWillChange(bool value);
    void pauseInLowPowerWillChange(bool value);
    void pauseWhenHotWillChange(bool value);
    void islandSourcesWillChange(const quintara::IslandSourceSet &value);

    void libraryFolderChanged();
    void currentVideoChanged();
    void spanScreensChanged();
    void screenVideosChanged();
    void fillModeChanged();
    void speedsChanged();
    void hasOnboardedChanged();
    void showIslandChanged();
    void pauseOnBatteryChanged();
    void pauseInLowPowerChanged();
    void pauseWhenHotChanged();
    void islandSourcesChanged();

private:
    // An assignment that changes nothing notifies nobody; it is still written back.
    template <typename T, typename WillChange, typename Changed>
    void assign(T &field, const T &value, WillChange willChange, Changed changed)
    {
        if (field == value) {
            persist();
            return;
        }
        emit(this->*willChange)(value);
        field = value;
        persist();
        emit(this->*changed)();
    }

    void load();

    KeyValueStore &m_defaults;
    QUrl m_libraryFolder;
    // A stored folder that is no local folder: written back as found while the setting is none,
    // so that the next run reads none again rather than the default.
    QJsonValue m_unusableLibrary{QJsonValue::Undefined};
    QUrl m_currentVideo;
    bool m_spanScreens = true;
    ScreenVideos m_screenVideos;
    FillMode m_fillMode = FillMode::fill;
    Speeds m_speeds;
    bool m_hasOnboarded = false;
    bool m_showIsland = true;
    bool m_pauseOnBattery = false;
    bool m_pauseInLowPower = true;
    bool m_pauseWhenHot = true;
    IslandSourceSet m_islandSources;
};

// Keys of the store.
namespace settings_keys {
inline constexpr char libraryFolder[] = "libraryFolder";
inline constexpr char currentVideo[] = "currentVideo";
inline constexpr char spanScreens[] = "spanScreens";
inline constexpr char screenVideos[] = "screenVideos";
inline constexpr char fillMode[] = "fillMode";
inline constexpr char videoSpeeds[] = "videoSpeeds";
inline constexpr char showDynamicIsland[] = "showDynamicIsland";
inline constexpr char hasOnboarded[] = "hasOnboarded";
inline constexpr char pauseOnBattery[] = "pauseOnBattery";
inline constexpr char pauseInLowPower[] = "pauseInLowPower";
inline constexpr char pauseWhenHot[] = "pauseWhenHot";
inline constexpr char islandSources[] = "islandSources";
inline constexpr char didSetUpLaunchAtLogin[] = "didSetUpLaunchAtLogin";
inline constexpr char askedForAccessibility[] = "askedForAccessibility";
inline constexpr char devTools[] = "devTools";
} // namespace settings_keys

} // namespace quintara
