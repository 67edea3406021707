#include "TestMain.h"
#include "engine/VideoGeometry.h"

#include <cmath>
#include <limits>

using namespace quintara;

Q_DECLARE_METATYPE(FillMode)

namespace {

// The part of the canvas (in canvas coordinates, origin at its top-left corner) that a window of
// the display's size shows when its layer has the given frame.
QRectF shownPartOfCanvas(const QRect &display, const QRectF &layer)
{
    const QRectF window(0, 0, display.width(), display.height());
    return window.intersected(layer).translated(-layer.topLeft());
}

bool fuzzyEqual(const QRectF &a, const QRectF &b)
{
    return std::abs(a.x() - b.x()) < 0.01 && std::abs(a.y() - b.y()) < 0.01 &&
           std::abs(a.width() - b.width()) < 0.01 && std::abs(a.height() - b.height()) < 0.01;
}

} // namespace

class VideoGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void scaling_data()
    {
        QTest::addColumn<QSizeF>("content");
        QTest::addColumn<QRectF>("in");
        QTest::addColumn<FillMode>("mode");
        QTest::addColumn<QRectF>("expected");
        const QRectF hd(0, 0, 1920, 1080);
        for (FillMode mode : allFillModes) {
            const QByteArray m = rawValue(mode).toLatin1();
            QTest::newRow("4k into hd, " + m) << QSizeF(3840, 2160) << hd << mode << hd;
            QTest::newRow("same aspect, " + m) << QSizeF(1280, 720) << hd << mode << hd;
            QTest::newRow("unknown size, " + m) << QSizeF(0, 0) << hd << mode << hd;
            QTest::newRow("negative width, " + m) << QSizeF(-4, 3) << hd << mode << hd;
            QTest::newRow("not a number, " + m)
                << QSizeF(std::numeric_limits<double>::quiet_NaN(), 1080) << hd << mode << hd;
        }
        QTest::newRow("portrait fill crops top and bottom")
            << QSizeF(1080, 1920) << hd << FillMode::fill << QRectF(0, -1166.667, 1920, 3413.333);
        QTest::newRow("portrait fit leaves bars left and right")
            << QSizeF(1080, 1920) << hd << FillMode::fit << QRectF(656.25, 0, 607.5, 1080);
        QTest::newRow("portrait stretch") << QSizeF(1080, 1920) << hd << FillMode::stretch << hd;
        QTest::newRow("wide video fit, off-origin rectangle")
            << QSizeF(2000, 500) << QRectF(100, 50, 1000, 1000) << FillMode::fit
            << QRectF(100, 425, 1000, 250);
        QTest::newRow("wide video fill, off-origin rectangle")
            << QSizeF(2000, 500) << QRectF(100, 50, 1000, 1000) << FillMode::fill
            << QRectF(-1400, 50, 4000, 1000);
    }
    void scaling()
    {
        QFETCH(QSizeF, content);
        QFETCH(QRectF, in);
        QFETCH(FillMode, mode);
        QFETCH(QRectF, expected);
        const QRectF actual = videoRect(content, in, mode);
        QVERIFY2(fuzzyEqual(actual, expected), qPrintable(QStringLiteral("got %1,%2 %3x%4")
                                                              .arg(actual.x())
                                                              .arg(actual.y())
                                                              .arg(actual.width())
                                                              .arg(actual.height())));
        // Fill always covers the rectangle and fit always stays inside it.
        if (mode == FillMode::fill)
            QVERIFY(actual.adjusted(-0.01, -0.01, 0.01, 0.01).contains(in));
        if (mode == FillMode::fit)
            QVERIFY(in.adjusted(-0.01, -0.01, 0.01, 0.01).contains(actual));
    }

    // Each display's window must show exactly the part of the canvas that the display covers.
    void spanningShowsEachDisplaysOwnPart_data()
    {
        QTest::addColumn<QList<QRect>>("displays");
        QTest::addColumn<QList<QRect>>("shown"); // in canvas coordinates, per display
        QTest::addColumn<QSize>("canvas");
        QTest::newRow("single display") << QList<QRect>{{0, 0, 1920, 1080}}
                                        << QList<QRect>{{0, 0, 1920, 1080}} << QSize(1920, 1080);
        QTest::newRow("side by side, left one shorter")
            << QList<QRect>{{0, 0, 1440, 900}, {1440, 0, 1920, 1080}}
            << QList<QRect>{{0, 0, 1440, 900}, {1440, 0, 1920, 1080}} << QSize(3360, 1080);
        QTest::newRow("second display left of the primary")
            << QList<QRect>{{0, 0, 1920, 1080}, {-1280, 200, 1280, 720}}
            << QList<QRect>{{1280, 0, 1920, 1080}, {0, 200, 1280, 720}} << QSize(3200, 1080);
        QTest::newRow("one display above the other")
            << QList<QRect>{{0, 1080, 1920, 1080}, {0, 0, 1920, 1080}}
            << QList<QRect>{{0, 1080, 1920, 1080}, {0, 0, 1920, 1080}} << QSize(1920, 2160);
        QTest::newRow("smaller display above, centred, negative y")
            << QList<QRect>{{0, 0, 1920, 1080}, {320, -720, 1280, 720}}
            << QList<QRect>{{0, 720, 1920, 1080}, {320, 0, 1280, 720}} << QSize(1920, 1800);
        QTest::newRow("three displays, staggered")
            << QList<QRect>{{0, 100, 1000, 800}, {1000, 0, 1000, 600}, {2000, 300, 500, 500}}
            << QList<QRect>{{0, 100, 1000, 800}, {1000, 0, 1000, 600}, {2000, 300, 500, 500}}
            << QSize(2500, 900);
    }
    void spanningShowsEachDisplaysOwnPart()
    {
        QFETCH(QList<QRect>, displays);
        QFETCH(QList<QRect>, shown);
        QFETCH(QSize, canvas);
        QCOMPARE(spanningCanvas(displays).size(), canvas);
        for (qsizetype i = 0; i < displays.size(); ++i) {
            const QRectF layer = layerFrame(displays[i], displays, true);
            QCOMPARE(layer.size(), QSizeF(canvas));
            QCOMPARE(shownPartOfCanvas(displays[i], layer), QRectF(shown[i]));
            // Without spanning the window shows its own layer edge to edge.
            QCOMPARE(layerFrame(displays[i], displays, false),
                     QRectF(0, 0, displays[i].width(), displays[i].height()));
        }
    }

    // A canvas point on the seam of two displays side by side is drawn at the right edge of the
    // left window and at the left edge of the right one, at the same height in both.
    void seamIsContinuous()
    {
        const QList<QRect> displays{{0, 0, 1440, 900}, {1440, 0, 1920, 1080}};
        const QPointF seam(1440, 450);
        QCOMPARE(layerFrame(displays[0], displays, true).topLeft() + seam, QPointF(1440, 450));
        QCOMPARE(layerFrame(displays[1], displays, true).topLeft() + seam, QPointF(0, 450));
    }
};

QUINTARA_TEST_MAIN(VideoGeometryTest)
#include "tst_videogeometry.moc"
