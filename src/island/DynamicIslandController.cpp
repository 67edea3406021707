#include "island/DynamicIslandController.h"

#include "island/IslandGeometry.h"
#include "platform/LogSink.h"

#include <QGuiApplication>
#include <QPainterPath>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSurfaceFormat>
#include <algorithm>

namespace quintara {

namespace {

const QUrl viewUrl(QStringLiteral("qrc:/qt/qml/Quintara/Island/DynamicIslandView.qml"));

QScreen *hostScreen()
{
    return QGuiApplication::primaryScreen();
}

// The pill: square top corners, bottom corners rounded by `radius`.
QRegion pillRegion(const QRectF &rect, double radius)
{
    if (rect.width() < 1 || rect.height() < 1)
        return {};
    const double r = std::min({radius, rect.width() / 2, rect.height()});
    QPainterPath path;
    path.moveTo(rect.topLeft());
    path.lineTo(rect.topRight());
    path.lineTo(rect.right(), rect.bottom() - r);
    path.arcTo(QRectF(rect.right() - 2 * r, rect.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
    path.lineTo(rect.left() + r, rect.bottom());
    path.arcTo(QRectF(rect.left(), rect.bottom() - 2 * r, 2 * r, 2 * r), 270, -90);
    path.closeSubpath();
    return QRegion(path.toFillPolygon().toPolygon());
}

} // namespace

DynamicIslandController::DynamicIslandController(AppSettings &settings, Scheduler &scheduler,
                                                 IslandServices services, QQmlEngine *engine,
                                                 QObject *parent)
    : QObject(parent), m_settings(settings), m_services(std::move(services))
{
    if (m_services.artworkQueue)
        m_artwork = std::make_unique<ArtworkLoader>(m_network, *m_services.artworkQueue,
                                                    m_services.artworkHosts);
    m_activities = std::make_unique<ActivityCenter>(
        scheduler,
        ActivityServices{m_services.broadcast.get(), m_services.players.get(), m_artwork.get()});
    m_codexWatcher = std::make_unique<CodexSessionWatcher>(scheduler, m_services.sessionsRoot);
    m_chatAppWatcher = std::make_unique<ChatAppWatcher>(scheduler, *m_services.chatQueue,
                                                        m_services.accessibility);
    connect(m_codexWatcher.get(), &CodexSessionWatcher::activity, m_activities.get(),
            &ActivityCenter::report);
    connect(m_chatAppWatcher.get(), &ChatAppWatcher::activity, m_activities.get(),
            &ActivityCenter::report);
    m_model = std::make_unique<IslandModel>(settings, *m_activities, scheduler,
                                            islandGeometry(hostScreen()));

    m_window = std::make_unique<QQuickWindow>();
    m_window->setTitle(QStringLiteral("Quintara Island"));
    QSurfaceFormat format = m_window->format();
    format.setAlphaBufferSize(8);
    m_window->setFormat(format);
    m_window->setColor(Qt::transparent);
    m_window->create();
    m_services.window->prepare(*m_window);
    screensChanged();
    if (engine)
        makeView(*engine);

    connect(m_services.pointer.get(), &PointerMonitor::moved, this,
            &DynamicIslandController::pointerMoved);
    connect(m_model.get(), &IslandModel::sizeChanged, this, [this] {
        if (m_model->isHovering())
            updateInputRegion();
    });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
            &DynamicIslandController::screensChanged);
}

DynamicIslandController::~DynamicIslandController()
{
    m_services.pointer->setWatching(false);
    // The view goes before the model it shows.
    delete m_view;
}

void DynamicIslandController::makeView(QQmlEngine &engine)
{
    QQmlComponent component(&engine, viewUrl);
    // Qt 6.4 crashes making a component that did not load.
    if (component.isError()) {
        log::line(QStringLiteral("Quintara: the island's view did not load: ") +
                  component.errorString());
        return;
    }
    QObject *made = component.createWithInitialProperties(
        {{QStringLiteral("model"), QVariant::fromValue(m_model.get())}});
    m_view = qobject_cast<QQuickItem *>(made);
    if (!m_view) {
        delete made;
        log::line(QStringLiteral("Quintara: the island's view did not load: ") +
                  component.errorString());
        return;
    }
    m_view->setParentItem(m_window->contentItem());
    m_view->setSize(QSizeF(windowSize));
    for (const char *signal : {SIGNAL(pillRectChanged()), SIGNAL(pillRadiusChanged()),
                               SIGNAL(menuRectChanged()), SIGNAL(tipRectChanged())})
        connect(m_view, signal, this, SLOT(updateDrawnRegion()));
    connect(m_view, SIGNAL(menuOpenChanged()), this, SLOT(updateInputRegion()));
    updateDrawnRegion();
}

void DynamicIslandController::updateDrawnRegion()
{
    const QRectF pill = m_view ? m_view->property("pillRect").toRectF() : QRectF();
    const double radius = m_view ? m_view->property("pillRadius").toDouble() : 0;
    // An open menu and a tooltip may reach beyond the pill.
    QRegion drawn = pillRegion(pill, radius);
    for (const char *floating : {"menuRect", "tipRect"})
        drawn |= m_view ? m_view->property(floating).toRectF().toAlignedRect() : QRect();
    m_services.window->setDrawnRegion(*m_window, drawn);
}

void DynamicIslandController::setSources(const IslandSourceSet &sources)
{
    m_activities->setEnabledSources(sources);
    if (sources.contains(IslandSource::chatGPT))
        m_codexWatcher->start();
    else
        m_codexWatcher->stop();

    QList<ChatAppWatcher::App> apps;
    if (sources.contains(IslandSource::chatGPT))
        apps.append({QStringLiteral("com.openai.codex"), QStringLiteral("ChatGPT")});
    if (sources.contains(IslandSource::claudeApp))
        apps.append({QStringLiteral("com.anthropic.claudefordesktop"), QStringLiteral("Claude")});
    m_chatAppWatcher->setApps(apps);
    if (apps.isEmpty())
        m_chatAppWatcher->stop();
    else if (!m_chatAppWatcher->isRunning())
        m_chatAppWatcher->start();
}

void DynamicIslandController::screensChanged()
{
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = hostScreen();
    if (m_screen) {
        // A panel that comes or goes changes the available area alone.
        connect(m_screen, &QScreen::availableGeometryChanged, this,
                &DynamicIslandController::screensChanged);
        connect(m_screen, &QScreen::geometryChanged, this,
                &DynamicIslandController::screensChanged);
    }
    m_model->setGeometry(islandGeometry(m_screen));
    place();
}

void DynamicIslandController::place()
{
    const QRect screen = m_screen ? m_screen->geometry() : QRect();
    m_window->setGeometry(
        QRect(QPoint(screen.left() + screen.width() / 2 - windowSize.width() / 2, screen.top()),
              windowSize));
}

void DynamicIslandController::setShown(bool shown)
{
    m_shown = shown;
    m_services.pointer->setWatching(shown);
    if (!shown) {
        m_window->hide();
        return;
    }
    m_window->show();
    m_window->raise();
    m_services.window->shown(*m_window);
    updateDrawnRegion();
}

QRectF DynamicIslandController::hotRect() const
{
    const QRect frame = m_window->geometry();
    const double top = frame.top();
    const double mid = frame.left() + frame.width() / 2.0;
    const QSizeF size = m_model->size();
    if (size.isNull())
        return {mid - hiddenStrip.width() / 2, top, hiddenStrip.width(), hiddenStrip.height()};
    return {mid - size.width() / 2, top, size.width(), size.height()};
}

void DynamicIslandController::pointerMoved(QPoint position)
{
    if (!m_shown)
        return;
    const QRectF zone = hotRect().adjusted(-hoverMargin, -hoverMargin, hoverMargin, hoverMargin);
    // An open menu may reach beyond the island, not beyond the window.
    const bool inside =
        zone.contains(position) || (menuOpen() && m_window->geometry().contains(position));
    const bool was = m_model->isHovering();
    m_model->setHovering(inside);
    if (inside || was)
        updateInputRegion();
}

bool DynamicIslandController::menuOpen() const
{
    return m_view && m_view->property("menuOpen").toBool();
}

void DynamicIslandController::updateInputRegion()
{
    QRegion region;
    if (m_model->isHovering() && menuOpen()) {
        region = QRegion(QRect(QPoint(), m_window->size()));
    } else if (m_model->isHovering()) {
        const QRectF zone =
            hotRect().adjusted(-hoverMargin, -hoverMargin, hoverMargin, hoverMargin);
        region = QRegion(zone.translated(-m_window->position()).toAlignedRect());
    }
    m_services.window->setInputRegion(*m_window, region);
}

} // namespace quintara
