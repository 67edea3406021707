#pragma once

#include <QString>

namespace quintara::test {

// A small video made with ffmpeg's test sources the first time a test asks for it, then cached
// (no media is kept in the repository).
struct VideoSpec {
    int width = 320;
    int height = 180;
    double seconds = 2.0;
    int fps = 30;
    QString source = QStringLiteral("testsrc2"); // any lavfi video source
    QString codec = QStringLiteral("libx264");
    int rotation = 0; // display-matrix rotation in degrees
    QString extension = QStringLiteral("mp4");
};

// The cached file's path; fails the calling test (QFAIL-style, via qFatal) when ffmpeg fails.
QString testVideo(const VideoSpec &spec = {});
// A copy of the video at `destination` (parents created); returns false on failure.
bool copyTestVideo(const QString &destination, const VideoSpec &spec = {});

} // namespace quintara::test
