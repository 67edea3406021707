#pragma once

#include "platform/DesktopVisibility.h"

#include <QPointer>
#include <QQuickItem>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <memory>

namespace quintara {

class LoopingPlayer;
class VideoLayer;

// One muted looping video inside the app's own windows, filling the item (cropped to fit). It
// plays at `rate` while its window is shown and pauses on the current frame while the window is
// hidden, minimised or covered entirely by other windows; a new rate changes the speed without
// restarting the video.
class LoopingVideoView : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QUrl url READ url WRITE setUrl NOTIFY urlChanged)
    Q_PROPERTY(double rate READ rate WRITE setRate NOTIFY rateChanged)
    Q_PROPERTY(bool playing READ isPlaying NOTIFY playingChanged)
    Q_PROPERTY(bool readyForDisplay READ isReadyForDisplay NOTIFY readyForDisplayChanged)

public:
    explicit LoopingVideoView(QQuickItem *parent = nullptr);
    ~LoopingVideoView() override;

    QUrl url() const { return m_url; }
    void setUrl(const QUrl &url);
    double rate() const { return m_rate; }
    void setRate(double rate);

    // Whether the player has been told to play (a rate above 0).
    bool isPlaying() const;
    bool isReadyForDisplay() const;
    LoopingPlayer *player() const { return m_player.get(); }

signals:
    void urlChanged();
    void rateChanged();
    void playingChanged();
    void readyForDisplayChanged();

protected:
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData &value) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load(const QUrl &url);
    void watchWindow(QQuickWindow *window);
    void updatePlayback();

    QUrl m_url;
    float m_rate = 1.0f;
    VideoLayer *m_layer = nullptr;
    std::unique_ptr<LoopingPlayer> m_player;
    QPointer<QQuickWindow> m_window;
    bool m_playing = false;
};

// Makes the Quintara.Engine QML module (LoopingVideoView) known to every QML engine created
// afterwards. Safe to call more than once.
void registerEngineQmlTypes();

// Tells the video views whether other windows cover theirs, with the coverage the application
// hands it (the wallpaper engine's). Without one, only hidden and minimised windows count.
class WindowCoverage : public QObject {
    Q_OBJECT
public:
    static WindowCoverage &instance();
    // Not owned; null withdraws it.
    void setSource(DesktopVisibility *source);
    bool partlyVisible(const QWindow *window) const;

signals:
    void mayHaveChanged();

private:
    QPointer<DesktopVisibility> m_source;
    QMetaObject::Connection m_forward;
};

} // namespace quintara
