#include "engine/player/LoopingVideoView.h"

#include "engine/player/LoopingPlayer.h"
#include "engine/player/VideoLayer.h"

#include <QQuickWindow>

// Generated with the module's type registrations.
void qml_register_types_Quintara_Engine();

namespace quintara {

LoopingVideoView::LoopingVideoView(QQuickItem *parent)
    : QQuickItem(parent), m_layer(new VideoLayer(this))
{
    m_layer->setFillMode(FillMode::fill);
    connect(m_layer, &VideoLayer::readyForDisplayChanged, this,
            &LoopingVideoView::readyForDisplayChanged);
    connect(&WindowCoverage::instance(), &WindowCoverage::mayHaveChanged, this,
            &LoopingVideoView::updatePlayback);
    // Made with a parent already in a window, the scene change came before this class existed.
    watchWindow(window());
}

LoopingVideoView::~LoopingVideoView()
{
    m_layer->setPlayer(nullptr);
}

void LoopingVideoView::setUrl(const QUrl &url)
{
    if (url == m_url)
        return;
    load(url);
    emit urlChanged();
}

void LoopingVideoView::setRate(double rate)
{
    const float single = float(rate);
    if (single == m_rate)
        return;
    m_rate = single;
    if (m_player)
        m_player->setDefaultRate(m_rate);
    updatePlayback();
    emit rateChanged();
}

bool LoopingVideoView::isPlaying() const
{
    return m_playing;
}

bool LoopingVideoView::isReadyForDisplay() const
{
    return m_layer->isReadyForDisplay();
}

void LoopingVideoView::load(const QUrl &url)
{
    m_url = url;
    // Always through a full release: another URL starts from its first frame.
    m_layer->setPlayer(nullptr);
    m_player.reset();
    if (!url.isEmpty()) {
        m_player = std::make_unique<LoopingPlayer>(url);
        m_player->setDefaultRate(m_rate);
        m_layer->setPlayer(m_player.get());
    }
    updatePlayback();
}

void LoopingVideoView::updatePlayback()
{
    const bool shown = m_window && m_window->isVisible() && m_window->isExposed() &&
                       m_window->visibility() != QWindow::Minimized && isVisible() &&
                       WindowCoverage::instance().partlyVisible(m_window);
    if (m_player)
        m_player->setRate(shown ? double(m_rate) : 0.0);
    const bool playing = m_player && m_player->rate() > 0;
    if (playing != m_playing) {
        m_playing = playing;
        emit playingChanged();
    }
}

void LoopingVideoView::watchWindow(QQuickWindow *window)
{
    if (m_window == window)
        return;
    if (m_window) {
        m_window->removeEventFilter(this);
        disconnect(m_window, nullptr, this, nullptr);
    }
    m_window = window;
    if (window) {
        window->installEventFilter(this);
        connect(window, &QWindow::visibilityChanged, this, &LoopingVideoView::updatePlayback);
    }
    updatePlayback();
}

void LoopingVideoView::geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    // The video follows the item at once, without animation.
    m_layer->setSize(newGeometry.size());
}

void LoopingVideoView::itemChange(ItemChange change, const ItemChangeData &value)
{
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange)
        watchWindow(value.window);
    else if (change == ItemVisibleHasChanged)
        updatePlayback();
}

bool LoopingVideoView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && (event->type() == QEvent::Expose || event->type() == QEvent::Hide ||
                                event->type() == QEvent::Show))
        updatePlayback();
    return QQuickItem::eventFilter(watched, event);
}

void registerEngineQmlTypes()
{
    static const bool registered = [] {
        qml_register_types_Quintara_Engine();
        return true;
    }();
    Q_UNUSED(registered);
}

WindowCoverage &WindowCoverage::instance()
{
    static WindowCoverage coverage;
    return coverage;
}

void WindowCoverage::setSource(DesktopVisibility *source)
{
    disconnect(m_forward);
    m_source = source;
    if (source)
        m_forward = connect(source, &DesktopVisibility::mayHaveChanged, this,
                            &WindowCoverage::mayHaveChanged);
    emit mayHaveChanged();
}

bool WindowCoverage::partlyVisible(const QWindow *window) const
{
    return !m_source || !window || m_source->windowPartlyVisible(window->winId());
}

} // namespace quintara
