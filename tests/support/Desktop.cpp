#include "Desktop.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace quintara::test {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList windowsTitled(const QString &pattern, bool onlyVisible)
{
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--name"), pattern};
    if (onlyVisible)
        arguments.insert(1, QStringLiteral("--onlyvisible"));
    return run(QStringLiteral("xdotool"), arguments).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QImage screenshot(const QRect &area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.isEmpty() ? -1 : area.width(),
                     area.isEmpty() ? -1 : area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

double litShare(const QImage &image, QRect area, int step)
{
    if (area.isEmpty())
        area = image.rect();
    int lit = 0, total = 0;
    for (int y = area.top(); y <= area.bottom(); y += step)
        for (int x = area.left(); x <= area.right(); x += step, ++total) {
            const QRgb pixel = image.pixel(x, y);
            lit += std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) >= 16;
        }
    return total ? double(lit) / total : 0.0;
}

double changedShare(const QImage &a, const QImage &b, int step)
{
    if (a.isNull() || a.size() != b.size())
        return 1.0;
    int changed = 0, total = 0;
    for (int y = 0; y < a.height(); y += step)
        for (int x = 0; x < a.width(); x += step, ++total)
            changed += (a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff);
    return double(changed) / total;
}

void pointerTo(QPoint position, bool click)
{
    // The last pixel as a mouse moves, relatively: an absolute jump makes no raw motion.
    const int step = position.y() > 0 ? 1 : -1;
    QStringList arguments{"mousemove",
                          QString::number(position.x()),
                          QString::number(position.y() - step),
                          "mousemove_relative",
                          "--",
                          "0",
                          QString::number(step)};
    if (click)
        arguments << "click"
                  << "1";
    run("xdotool", arguments);
}

QRect drawnBounds(const QImage &image, const QRect &area, QRgb background)
{
    QRect bounds;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) != (background & 0xffffff))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QuintaraProcess::QuintaraProcess(const QStringList &arguments, const QString &sessionBus)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/quintara-system-bus"));
    if (!sessionBus.isEmpty())
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    setProcessEnvironment(environment);
    start(qEnvironmentVariable("QUINTARA_BINARY"), arguments);
    waitForStarted(10000);
}

QuintaraProcess::~QuintaraProcess()
{
    if (state() == NotRunning)
        return;
    terminate();
    if (!waitForFinished(10000))
        kill();
    waitForFinished(5000);
}

bool QuintaraProcess::waitForLog(const QByteArray &text)
{
    const QDeadlineTimer deadline(20000);
    while (!log.contains(text) && !deadline.hasExpired()) {
        const bool running = state() != NotRunning;
        waitForReadyRead(100);
        log += readAllStandardError();
        if (!running)
            break;
    }
    return log.contains(text);
}

int QuintaraProcess::finish()
{
    const bool ended = waitForFinished(30000) && exitStatus() == NormalExit;
    log += readAllStandardError();
    return ended ? exitCode() : -1;
}

} // namespace quintara::test
