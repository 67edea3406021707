#pragma once

#include "activities/ActivityCenter.h"
#include "activities/ArtworkLoader.h"
#include "activities/ChatAppWatcher.h"
#include "activities/CodexSessionWatcher.h"
#include "island/IslandModel.h"
#include "platform/AccessibilityTree.h"
#include "platform/Broadcast.h"
#include "platform/IslandWindowRole.h"
#include "platform/MediaPlayers.h"
#include "platform/PointerMonitor.h"
#include "platform/WorkQueue.h"
#include "settings/AppSettings.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QRectF>
#include <memory>

class QQmlEngine;
class QQuickWindow;
class QScreen;

namespace quintara {

// What the island reaches the desktop through. The window role and the pointer monitor are
// required; a missing broadcast, player service or artwork queue leaves that source silent.
struct IslandServices {
    std::unique_ptr<IslandWindowRole> window;
    std::unique_ptr<PointerMonitor> pointer;
    std::unique_ptr<Broadcast> broadcast;
    std::unique_ptr<MediaPlayers> players;
    std::shared_ptr<AccessibilityTree> accessibility;
    // Where the chat app watcher's searches run.
    std::unique_ptr<WorkQueue> chatQueue;
    // Where artwork is decoded; none: no artwork is looked up.
    std::unique_ptr<WorkQueue> artworkQueue;
    ArtworkLoader::Services artworkHosts = ArtworkLoader::publicServices();
    QString sessionsRoot = CodexSessionWatcher::defaultRoot();
};

// Puts the island on screen: owns the activity center, both watchers, the island's model and
// its window, a frameless 560 × 420 overlay at the top centre of the primary screen that draws
// only the pill and lets every click through except while the pointer is over the pill. Follows
// the pointer to expand and collapse the island, applies the user's choice of sources, and
// shows or hides the window.
class DynamicIslandController : public QObject {
    Q_OBJECT
public:
    static constexpr QSize windowSize{560, 420};
    // Extra room around the island that still counts as over it.
    static constexpr double hoverMargin = 4;
    // Where the pointer wakes an island that shows nothing: this wide, this high, at the top.
    static constexpr QSizeF hiddenStrip{240, 4};

    // Nothing but the services is owned; the rest must outlive the controller. The view is
    // made from `engine`; without one the window stays empty. Does not show the window and
    // starts no watcher.
    DynamicIslandController(AppSettings &settings, Scheduler &scheduler, IslandServices services,
                            QQmlEngine *engine, QObject *parent = nullptr);
    ~DynamicIslandController() override;

    IslandModel &model() { return *m_model; }
    ActivityCenter &activities() { return *m_activities; }
    CodexSessionWatcher &codexWatcher() { return *m_codexWatcher; }
    ChatAppWatcher &chatAppWatcher() { return *m_chatAppWatcher; }
    QQuickWindow &window() { return *m_window; }
    // The island's view, once made.
    QQuickItem *view() const { return m_view; }

    // Which sources the island shows; starts and stops the watchers they need.
    void setSources(const IslandSourceSet &sources);
    // The screens changed: follows the primary screen's top edge.
    void screensChanged();
    bool isShown() const { return m_shown; }
    void setShown(bool shown);

    // The global rectangle that counts as over the island, before the margin.
    QRectF hotRect() const;

private slots:
    // The view's pill moved or changed its size.
    void updateDrawnRegion();
    // Where clicks reach the island: nowhere unless the pointer is over it.
    void updateInputRegion();

private:
    void place();
    void pointerMoved(QPoint position);
    bool menuOpen() const;
    void makeView(QQmlEngine &engine);

    AppSettings &m_settings;
    IslandServices m_services;
    QNetworkAccessManager m_network;
    std::unique_ptr<ArtworkLoader> m_artwork;
    std::unique_ptr<ActivityCenter> m_activities;
    std::unique_ptr<CodexSessionWatcher> m_codexWatcher;
    std::unique_ptr<ChatAppWatcher> m_chatAppWatcher;
    std::unique_ptr<IslandModel> m_model;
    std::unique_ptr<QQuickWindow> m_window;
    QPointer<QQuickItem> m_view;
    QPointer<QScreen> m_screen;
    bool m_shown = false;
};

} // namespace quintara
