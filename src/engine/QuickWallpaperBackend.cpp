#include "engine/QuickWallpaperBackend.h"

#include "engine/player/LoopingPlayer.h"
#include "engine/player/VideoLayer.h"
#include "platform/DisplayServer.h"
#include "platform/LogSink.h"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QPointer>
#include <QPropertyAnimation>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

namespace quintara {

namespace {

// The Qt screen behind a display, if it is still connected.
QScreen *screenOf(const DisplayInfo &display)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->name() == display.connector)
            return screen;
    return nullptr;
}

// The layout glide: fast at first, settling softly.
QEasingCurve layoutCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.2, 0.9), QPointF(0.1, 1.0), QPointF(1, 1));
    return curve;
}

QEasingCurve easeInEaseOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

// Purple, blue and teal from top to bottom, shifting to teal, pink and indigo over 6 seconds and
// back, forever.
constexpr char gradientSource[] = R"(
import QtQuick
Rectangle {
    anchors.fill: parent
    component Stop: GradientStop {
        id: stop
        property color from
        property color to
        color: from
        SequentialAnimation on color {
            loops: Animation.Infinite
            ColorAnimation { from: stop.from; to: stop.to; duration: 6000 }
            ColorAnimation { from: stop.to; to: stop.from; duration: 6000 }
        }
    }
    gradient: Gradient {
        Stop { position: 0.0; from: "#af52de"; to: "#30b0c7" }
        Stop { position: 0.5; from: "#0a84ff"; to: "#ff375f" }
        Stop { position: 1.0; from: "#30b0c7"; to: "#5e5ce6" }
    }
}
)";

// Shared by both kinds of layer: opacity fades and the item's lifetime.
class QuickLayer : public WallpaperLayer {
public:
    explicit QuickLayer(QQuickItem *item) : m_item(item) {}
    ~QuickLayer() override
    {
        if (m_fade)
            m_fade->stop();
        delete m_item.data();
    }

    double opacity() const override { return m_item ? m_item->opacity() : 0.0; }
    void setOpacity(double opacity) override
    {
        if (m_item)
            m_item->setOpacity(opacity);
    }
    void fadeTo(double target, Duration duration) override
    {
        if (!m_item)
            return;
        if (!m_fade) {
            m_fade = new QPropertyAnimation(m_item, "opacity", m_item);
            m_fade->setEasingCurve(easeInEaseOut());
        }
        m_fade->stop();
        m_fade->setStartValue(m_item->opacity());
        m_fade->setEndValue(target);
        m_fade->setDuration(int(duration.count()));
        m_fade->start();
    }

protected:
    QPointer<QQuickItem> m_item;
    QPointer<QPropertyAnimation> m_fade;
};

class QuickGradientLayer final : public QuickLayer {
public:
    using QuickLayer::QuickLayer;
    bool isVideo() const override { return false; }
    bool isReadyForDisplay() const override { return true; }
    void setReadyHandler(std::function<void()>) override {}
    void setGeometry(const QRectF &, FillMode, Duration) override {}
};

class QuickVideoLayer final : public QuickLayer {
public:
    explicit QuickVideoLayer(VideoLayer *item) : QuickLayer(item), m_video(item) {}
    ~QuickVideoLayer() override { QObject::disconnect(m_ready); }

    bool isVideo() const override { return true; }
    bool isReadyForDisplay() const override { return m_video && m_video->isReadyForDisplay(); }
    void setReadyHandler(std::function<void()> handler) override
    {
        QObject::disconnect(m_ready);
        if (!handler || !m_video)
            return;
        m_ready = QObject::connect(m_video, &VideoLayer::readyForDisplayChanged, m_video,
                                   [this, handler] {
                                       if (!m_video || !m_video->isReadyForDisplay())
                                           return;
                                       QObject::disconnect(m_ready);
                                       handler();
                                   });
    }
    // A new frame, a new fill mode or both glide there together, on the layout curve.
    void setGeometry(const QRectF &frame, FillMode mode, Duration duration) override
    {
        if (m_video)
            m_video->glideTo(frame, mode, int(duration.count()), layoutCurve());
    }

private:
    QPointer<VideoLayer> m_video;
    QMetaObject::Connection m_ready;
};

class LoopingChannelPlayer final : public ChannelPlayer {
public:
    explicit LoopingChannelPlayer(const QUrl &file) : m_player(new LoopingPlayer(file)) {}
    void setDefaultRate(double rate) override { m_player->setDefaultRate(rate); }
    double defaultRate() const override { return m_player->defaultRate(); }
    void setRate(double rate) override { m_player->setRate(rate); }
    double rate() const override { return m_player->rate(); }
    LoopingPlayer &player() { return *m_player; }

private:
    std::unique_ptr<LoopingPlayer> m_player;
};

class QuickWallpaperWindow final : public WallpaperWindow {
public:
    QuickWallpaperWindow(const DisplayInfo &display, DesktopWindowRole &role, QQmlEngine &qml)
        : m_role(role), m_qml(qml)
    {
        m_window = std::make_unique<QQuickWindow>();
        if (QScreen *screen = screenOf(display))
            m_window->setScreen(screen);
        m_window->setTitle(QStringLiteral("Quintara wallpaper — %1").arg(display.name));
        m_window->setColor(Qt::black);
        m_window->setGeometry(display.frame);
        m_role.prepare(*m_window);
        m_window->setGeometry(display.frame);
    }
    ~QuickWallpaperWindow() override { m_window->hide(); }

    void orderFront() override
    {
        m_window->show();
        m_role.shown(*m_window);
    }

    std::unique_ptr<WallpaperLayer> addVideoLayer(ChannelPlayer &player, const QRectF &frame,
                                                  FillMode mode, double opacity) override
    {
        auto *item = new VideoLayer(m_window->contentItem());
        item->setOpacity(opacity);
        item->setPosition(frame.topLeft());
        item->setSize(frame.size());
        item->setFillMode(mode);
        item->setPlayer(&static_cast<LoopingChannelPlayer &>(player).player());
        return std::make_unique<QuickVideoLayer>(item);
    }

    std::unique_ptr<WallpaperLayer> addGradientLayer(double opacity) override
    {
        QQmlComponent component(&m_qml);
        component.setData(gradientSource, QUrl(QStringLiteral("qrc:/quintara/Gradient.qml")));
        QObject *object = component.beginCreate(m_qml.rootContext());
        auto *item = qobject_cast<QQuickItem *>(object);
        if (!item) {
            delete object;
            log::line(QStringLiteral("Quintara: cannot make the gradient: %1")
                          .arg(component.errorString()));
            item = new QQuickItem;
            item->setParentItem(m_window->contentItem());
            return std::make_unique<QuickGradientLayer>(item);
        }
        item->setParentItem(m_window->contentItem());
        item->setOpacity(opacity);
        component.completeCreate();
        return std::make_unique<QuickGradientLayer>(item);
    }

private:
    DesktopWindowRole &m_role;
    QQmlEngine &m_qml;
    std::unique_ptr<QQuickWindow> m_window;
};

} // namespace

QuickWallpaperBackend::QuickWallpaperBackend(DesktopWindowRole &role, QQmlEngine &qml)
    : m_role(role), m_qml(qml)
{}

QuickWallpaperBackend::~QuickWallpaperBackend() = default;

std::unique_ptr<WallpaperWindow> QuickWallpaperBackend::createWindow(const DisplayInfo &display)
{
    return std::make_unique<QuickWallpaperWindow>(display, m_role, m_qml);
}

std::unique_ptr<ChannelPlayer> QuickWallpaperBackend::createPlayer(const QUrl &file)
{
    return std::make_unique<LoopingChannelPlayer>(file);
}

} // namespace quintara
