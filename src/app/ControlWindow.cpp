#include "app/ControlWindow.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <QQuickView>
#include <QScreen>

namespace quintara {

namespace {

using namespace std::chrono_literals;
constexpr auto frameSaveDelay = 500ms;

// Closing hides the window and keeps it, with its state, for the next showing.
class HidingView final : public QQuickView {
public:
    using QQuickView::QQuickView;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        event->ignore();
        hide();
    }
};

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

ControlWindow::ControlWindow(KeyValueStore &defaults, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_scheduler(scheduler)
{}

ControlWindow::~ControlWindow()
{
    delete m_view;
}

void ControlWindow::create()
{
    m_view = new HidingView;
    m_view->setTitle(QStringLiteral("Quintara"));
    m_view->setResizeMode(QQuickView::SizeRootObjectToView);
    m_view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Quintara/Views/ControlPanel.qml")));
    m_view->setMinimumSize(QSize(720, 480));

    const QRect saved = frameFrom(m_defaults.value(QLatin1String(frameKey)));
    if (saved.isValid() && onSomeScreen(saved)) {
        m_view->setGeometry(saved);
    } else {
        QRect frame(QPoint(), initialSize);
        if (QScreen *screen = QGuiApplication::primaryScreen())
            frame.moveCenter(screen->availableGeometry().center());
        m_view->setGeometry(frame);
    }
    connect(m_view, &QWindow::xChanged, this, &ControlWindow::scheduleFrameSave);
    connect(m_view, &QWindow::yChanged, this, &ControlWindow::scheduleFrameSave);
    connect(m_view, &QWindow::widthChanged, this, &ControlWindow::scheduleFrameSave);
    connect(m_view, &QWindow::heightChanged, this, &ControlWindow::scheduleFrameSave);
}

void ControlWindow::show()
{
    if (!m_view)
        create();
    if (m_view->windowStates() & Qt::WindowMinimized)
        m_view->setWindowStates(m_view->windowStates() & ~Qt::WindowMinimized);
    m_view->show();
    m_view->raise();
    m_view->requestActivate();
}

void ControlWindow::scheduleFrameSave()
{
    // A drag moves the window many times a second; write its frame once it rests.
    m_pendingSave = m_scheduler.after(frameSaveDelay, this, [this] { saveFrame(); });
}

void ControlWindow::saveFrame()
{
    const QRect frame = m_view->geometry();
    m_defaults.setValue(QLatin1String(frameKey), QJsonObject{{"x", frame.x()},
                                                             {"y", frame.y()},
                                                             {"width", frame.width()},
                                                             {"height", frame.height()}});
}

} // namespace quintara
