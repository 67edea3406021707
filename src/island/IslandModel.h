#pragma once

#include "activities/ActivityCenter.h"
#include "engine/PauseReason.h"
#include "island/IslandActivities.h"
#include "island/IslandGeometry.h"
#include "platform/Scheduler.h"
#include "settings/AppSettings.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>

namespace quintara {

// The state behind the island pill: its size class, the one-shot event it shows, what it
// focuses on when nothing is announced, and how large it is. The view draws from it and asks
// for actions through its invokables; the controller feeds it the screen's top edge and the
// hover state. Its only timers end events and, while activities are listed in the expanded
// island, count the time since their last report.
class IslandModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The island controller makes the island's model.")
    Q_PROPERTY(QString mode READ modeName NOTIFY modeChanged)
    Q_PROPERTY(QSizeF size READ size NOTIFY sizeChanged)
    Q_PROPERTY(bool hasNotch READ hasNotch NOTIFY geometryChanged)
    Q_PROPERTY(double notchHeight READ notchHeight NOTIFY geometryChanged)
    Q_PROPERTY(double springResponse READ springResponse CONSTANT)
    Q_PROPERTY(double springDamping READ springDamping CONSTANT)
    // What the resting island shows: "activity", "music" or "wallpaper".
    Q_PROPERTY(QString focus READ focusName NOTIFY focusChanged)
    Q_PROPERTY(QString focusTitle READ focusTitle NOTIFY focusChanged)
    Q_PROPERTY(bool focusNeedsAttention READ focusNeedsAttention NOTIFY focusChanged)
    Q_PROPERTY(bool hasEvent READ hasEvent NOTIFY eventChanged)
    Q_PROPERTY(QString eventIcon READ eventIcon NOTIFY eventChanged)
    Q_PROPERTY(QString eventTitle READ eventTitle NOTIFY eventChanged)
    Q_PROPERTY(QString eventSubtitle READ eventSubtitle NOTIFY eventChanged)
    Q_PROPERTY(QImage eventImage READ eventImage NOTIFY eventChanged)
    // How the event's picture is drawn: "artwork", "symbol" or "poster".
    Q_PROPERTY(QString eventPicture READ eventPicture NOTIFY eventChanged)
    Q_PROPERTY(QImage poster READ poster NOTIFY posterChanged)
    Q_PROPERTY(bool paused READ isPaused NOTIFY pauseReasonChanged)
    // The current wallpaper's title; empty without one.
    Q_PROPERTY(QString wallpaperTitle READ wallpaperTitle NOTIFY wallpaperChanged)
    Q_PROPERTY(bool hasWallpaper READ hasWallpaper NOTIFY wallpaperChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY wallpaperChanged)
    // The current wallpaper's speed, 1 without one.
    Q_PROPERTY(double speed READ speed NOTIFY wallpaperChanged)
    Q_PROPERTY(QString speedTitle READ speedTitle NOTIFY wallpaperChanged)
    // [{speed, title}] for the speed menu.
    Q_PROPERTY(QVariantList speedChoices READ speedChoices CONSTANT)
    Q_PROPERTY(bool hasTrack READ hasTrack NOTIFY nowPlayingChanged)
    Q_PROPERTY(QString trackTitle READ trackTitle NOTIFY nowPlayingChanged)
    Q_PROPERTY(QString trackArtist READ trackArtist NOTIFY nowPlayingChanged)
    Q_PROPERTY(bool trackPlaying READ trackPlaying NOTIFY nowPlayingChanged)
    Q_PROPERTY(QImage artwork READ artwork NOTIFY artworkChanged)
    Q_PROPERTY(QAbstractItemModel *visibleActivities READ visibleActivityList CONSTANT)

public:
    enum class Mode { resting, event, expanded };
    struct Focus {
        enum class Kind { activity, music, wallpaper };
        Kind kind = Kind::wallpaper;
        std::optional<LiveActivity> activity; // with `activity`
        bool operator==(const Focus &) const = default;
    };
    using Clock = std::function<QDateTime()>;

    // The spring every change of the island moves with: its response in seconds, its damping
    // fraction.
    static constexpr double springResponse() { return 0.42; }
    static constexpr double springDamping() { return 0.78; }
    // How often the expanded island's "time since" texts move on.
    static constexpr std::chrono::seconds tick{1};

    // Nothing is owned; all of it must outlive the model. `clock` gives the wall time the
    // activities' report times are compared with.
    IslandModel(AppSettings &settings, ActivityCenter &activities, Scheduler &scheduler,
                IslandGeometry geometry, Clock clock = {}, QObject *parent = nullptr);

    // Shows `event` at once, replacing any other, until its duration has passed.
    void announce(const IslandEvent &event);

    Mode mode() const { return m_mode; }
    QString modeName() const;
    const std::optional<IslandEvent> &event() const { return m_event; }
    Focus focus() const;
    // The two newest activities, or all when there are fewer.
    QList<LiveActivity> visibleActivities() const;
    QSizeF size() const;

    IslandGeometry geometry() const { return m_geometry; }
    void setGeometry(const IslandGeometry &geometry);
    bool isHovering() const { return m_hovering; }
    // The pointer entered or left the island: expands or collapses it.
    void setHovering(bool hovering);
    OptionalPauseReason pauseReason() const { return m_pauseReason; }
    void setPauseReason(OptionalPauseReason reason);
    QImage poster() const { return m_poster; }
    void setPoster(const QImage &poster);

    AppSettings &settings() const { return m_settings; }
    ActivityCenter &activities() const { return m_activities; }

    // For the view.
    bool hasNotch() const { return m_geometry.hasNotch; }
    double notchHeight() const { return m_geometry.notchHeight; }
    QString focusName() const;
    QString focusTitle() const;
    bool focusNeedsAttention() const;
    bool hasEvent() const { return m_event.has_value(); }
    QString eventIcon() const { return m_event ? m_event->icon : QString(); }
    QString eventTitle() const { return m_event ? m_event->title : QString(); }
    QString eventSubtitle() const;
    QImage eventImage() const { return m_event ? m_event->image : QImage(); }
    QString eventPicture() const;
    bool isPaused() const { return m_pauseReason.has_value(); }
    QString wallpaperTitle() const;
    bool hasWallpaper() const { return !m_settings.currentVideo().isEmpty(); }
    QString statusText() const;
    double speed() const { return m_settings.speed(m_settings.currentVideo()); }
    QString speedTitle() const;
    QVariantList speedChoices() const;
    bool hasTrack() const { return m_activities.nowPlaying().has_value(); }
    QString trackTitle() const;
    QString trackArtist() const;
    bool trackPlaying() const { return m_activities.isMusicPlaying(); }
    QImage artwork() const { return m_activities.artwork(); }
    IslandActivities *visibleActivityList() { return &m_visibleActivities; }

    // The view's buttons.
    Q_INVOKABLE void togglePause() { emit togglePauseRequested(); }
    Q_INVOKABLE void shuffle() { emit shuffleRequested(); }
    Q_INVOKABLE void openControls() { emit openControlsRequested(); }
    // "previousTrack", "playPause" or "nextTrack" to the player of the current track.
    Q_INVOKABLE void sendMusic(const QString &command);
    // The current wallpaper's speed; nothing without a wallpaper.
    Q_INVOKABLE void setSpeed(double speed);

signals:
    void modeChanged();
    void sizeChanged();
    void geometryChanged();
    void focusChanged();
    void eventChanged();
    void posterChanged();
    void pauseReasonChanged();
    void wallpaperChanged();
    void nowPlayingChanged();
    void artworkChanged();

    // Intents the composition root carries out.
    void togglePauseRequested();
    void shuffleRequested();
    void openControlsRequested();

private:
    void updateMode();
    // Something the size depends on may have changed.
    void refresh();
    void updateTicking();

    AppSettings &m_settings;
    ActivityCenter &m_activities;
    Scheduler &m_scheduler;
    Clock m_clock;
    IslandGeometry m_geometry;
    Mode m_mode = Mode::resting;
    std::optional<IslandEvent> m_event;
    ScheduledTask m_dismissTask;
    QImage m_poster;
    OptionalPauseReason m_pauseReason;
    bool m_hovering = false;
    IslandActivities m_visibleActivities;
    ScheduledTask m_ticking;
    QSizeF m_lastSize;
    Focus m_lastFocus;
};

} // namespace quintara
