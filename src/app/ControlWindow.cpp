#include "app/ControlWindow.h"

#include "app/ViewEngine.h"
#include "library/LibraryModel.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <QQuickWindow>
#include <QScreen>

namespace quintara {

namespace {

using namespace std::chrono_literals;
constexpr auto frameSaveDelay = 500ms;

QRect frameFrom(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    const QRect rect(o.value("x").toInt(), o.value("y").toInt(), o.value("width").toInt(),
                     o.value("height").toInt());
    return rect.width() > 0 && rect.height() > 0 ? rect : QRect();
}

bool onSomeScreen(const QRect &frame)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->geometry().intersects(frame))
            return true;
    return false;
}

} // namespace

ControlWindow::ControlWindow(ViewEngine &views, LibraryModel &library, KeyValueStore &defaults,
                             Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_views(views), m_library(library), m_defaults(defaults),
      m_scheduler(scheduler)
{}

ControlWindow::~ControlWindow()
{
    delete m_window;
}

void ControlWindow::create()
{
    m_window = m_views.createWindow(QStringLiteral("ControlPanel"),
                                    {{QStringLiteral("library"), QVariant::fromValue(&m_library)}});
    if (!m_window)
        return;
    m_library.appear();
    m_window->setMinimumSize(QSize(720, 480));

    const QRect saved = frameFrom(m_defaults.value(QLatin1String(frameKey)));
    if (saved.isValid() && onSomeScreen(saved)) {
        m_window->setGeometry(saved);
    } else {
        QRect frame(QPoint(), initialSize);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            frame.moveCenter(screen->availableGeometry().center());
        m_window->setGeometry(frame);
    }
    connect(m_window, &QWindow::xChanged, this, &ControlWindow::scheduleFrameSave);
    connect(m_window, &QWindow::yChanged, this, &ControlWindow::scheduleFrameSave);
    connect(m_window, &QWindow::widthChanged, this, &ControlWindow::scheduleFrameSave);
    connect(m_window, &QWindow::heightChanged, this, &ControlWindow::scheduleFrameSave);
}

void ControlWindow::show()
{
    if (!m_window)
        create();
    if (!m_window)
        return;
    if (m_window->windowStates() & Qt::WindowMinimized)
        m_window->setWindowStates(m_window->windowStates() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

void ControlWindow::scheduleFrameSave()
{
    // A drag moves the window many times a second; write its frame once it rests.
    m_pendingSave = m_scheduler.after(frameSaveDelay, this, [this] { saveFrame(); });
}

void ControlWindow::saveFrame()
{
    const QRect frame = m_window->geometry();
    m_defaults.setValue(QLatin1String(frameKey), QJsonObject{{"x", frame.x()},
                                                             {"y", frame.y()},
                                                             {"width", frame.width()},
                                                             {"height", frame.height()}});
}

} // namespace quintara
