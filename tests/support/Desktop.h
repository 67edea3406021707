#pragma once

#include <QImage>
#include <QProcess>
#include <QStringList>

namespace quintara::test {

// Runs a desktop tool to its end and returns what it printed.
QString run(const QString &program, const QStringList &arguments);
// X ids of the windows whose title matches `pattern`.
QStringList windowsTitled(const QString &pattern, bool onlyVisible = false);
// What the X server shows on the primary screen, or in `area` of it.
QImage screenshot(const QRect &area = {});
// Share of the sampled pixels of `area` (the whole image when empty) that are not black.
double litShare(const QImage &image, QRect area = {}, int step = 4);
// Share of the sampled pixels that differ between two images (1 when their sizes differ).
double changedShare(const QImage &a, const QImage &b, int step = 2);
// Moves the pointer, as a mouse would, and clicks there with the first button when `click`.
void pointerTo(QPoint position, bool click = false);
// The smallest rectangle holding every pixel of `image` inside `area` that differs from
// `background`; empty when there is none.
QRect drawnBounds(const QImage &image, const QRect &area, QRgb background);

// The quintara binary of this build as a person starts it: on the test's session bus (or
// `sessionBus`) and with no system bus, so the machine's power state never reaches it.
class QuintaraProcess : public QProcess {
public:
    explicit QuintaraProcess(const QStringList &arguments, const QString &sessionBus = {});
    ~QuintaraProcess() override;
    // Reads the diagnostics until they hold `text`, for up to 20 s of real output.
    bool waitForLog(const QByteArray &text);
    // Waits for the process to end by itself; its exit code, or -1 when it did not.
    int finish();

    QByteArray log; // standard error read so far
};

} // namespace quintara::test
