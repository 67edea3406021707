#include "Desktop.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "engine/player/LoopingPlayer.h"
#include "engine/player/LoopingVideoView.h"
#include "engine/player/RenderPath.h"
#include "engine/player/SoftwareRenderer.h"
#include "engine/player/VideoLayer.h"
#include "platform/LogSink.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QVariantAnimation>
#include <memory>

using namespace quintara;
using test::litShare;

#define WAIT_FOR(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, 15000)

namespace {

// A window with one video layer filling it.
struct Stage {
    std::unique_ptr<QQuickWindow> window = std::make_unique<QQuickWindow>();
    VideoLayer *layer = new VideoLayer(window->contentItem());

    Stage(LoopingPlayer *player, QSize size, FillMode mode = FillMode::fill, QPoint at = {0, 0})
    {
        window->setColor(Qt::black);
        window->setFlag(Qt::FramelessWindowHint);
        window->setGeometry(QRect(at, size));
        layer->setSize(size);
        layer->setFillMode(mode);
        layer->setPlayer(player);
        window->show();
    }
    // What the X server shows of the window.
    QImage grab() const
    {
        return window->screen()
            ->grabWindow(window->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    double lit(QRect area = {}) const { return litShare(grab(), area, 2); }
};

QUrl clip(double seconds = 2.0)
{
    return QUrl::fromLocalFile(test::testVideo({.seconds = seconds}));
}

// The size the player last drew its frame at, on either route.
QSize drawnSize(const LoopingPlayer &player)
{
    if (!player.frame())
        return player.openGLTextureSize();
    QSize size;
    player.frame()->withFrame([&](const QImage &image) { size = image.size(); });
    return size;
}

// Waits until a playing reference player has drawn `frames` more frames: a real stretch of
// playback time, measured by mpv itself rather than a timer.
void letFramesPass(int frames)
{
    LoopingPlayer reference(clip());
    Stage stage(&reference, {64, 36}, FillMode::fill, {1000, 900});
    reference.setRate(1.0);
    WAIT_FOR(reference.drawnFrames() >= quint64(frames));
}

// Frames drawn while a real stretch of playback time passes.
quint64 framesWhileOthersPlay(const LoopingPlayer &player, int frames)
{
    const quint64 before = player.drawnFrames();
    letFramesPass(frames);
    return player.drawnFrames() - before;
}

// The render path is chosen from QUINTARA_RENDER before the application object exists, as the
// app does it.
const bool renderPathChosen = (configureRenderPath(), true);

} // namespace

class TestLoopingPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(renderPathChosen);
        qInfo("render path: %s", qPrintable(rawValue(renderPath())));
        registerEngineQmlTypes();
        clip(); // made once, before any timing
        clip(1.0);
    }

    // QUINTARA_RENDER, a render node, GALLIUM_DRIVER, LIBGL_ALWAYS_SOFTWARE: OpenGL chosen.
    void chooseRenderPath_data()
    {
        const auto row = test::rows<std::tuple<QString, bool, QString, bool, bool>>();
        row("no gpu", {"", false, "", false, false});
        row("gpu", {"", true, "", false, true});
        row("gpu, llvmpipe forced", {"", true, "llvmpipe", false, false});
        row("gpu, always software", {"", true, "", true, false});
        row("override gl", {"gl", false, "", false, true});
        row("override sw", {"SW", true, "", false, false});
        row("unknown override", {"vulkan", true, "", false, true});
    }
    void chooseRenderPath()
    {
        const auto &[variable, renderNode, gallium, alwaysSoftware, openGL] =
            test::row<std::tuple<QString, bool, QString, bool, bool>>();
        QCOMPARE(quintara::chooseRenderPath(variable, renderNode, gallium, alwaysSoftware),
                 openGL ? RenderPath::openGL : RenderPath::software);
    }

    // Paused, it shows its first frame and draws again only when its size changes.
    void pausedDrawsOnlyWhatItMustShow()
    {
        LoopingPlayer player(clip());
        QCOMPARE(player.rate(), 0.0);
        QVERIFY(!player.isReadyForDisplay());
        Stage stage(&player, {160, 90});
        WAIT_FOR(player.isReadyForDisplay() && stage.layer->isReadyForDisplay());
        QVERIFY(player.isPaused());
        letFramesPass(3);
        QVERIFY(player.drawnFrames() <= 3); // the first frame, redrawn as the scaling settles
        // Shown at half its size, but paused: its decoder is not re-opened for the cheaper path.
        QVERIFY(!player.isDecodingReduced());
        QCOMPARE(framesWhileOthersPlay(player, 20), quint64(0));

        stage.window->resize(320, 180);
        stage.layer->setSize({320, 180});
        WAIT_FOR(drawnSize(player) == QSize(320, 180));
        const quint64 redrawn = framesWhileOthersPlay(player, 3);
        QVERIFY(redrawn <= 2);
        QCOMPARE(framesWhileOthersPlay(player, 10), quint64(0));
        QCOMPARE(player.timePos(), 0.0);
        WAIT_FOR(stage.lit() > 0.5);
    }

    void framesReachTheWindow_data()
    {
        // A 16:9 video in a square window: fill crops the sides, fit leaves bands above and
        // below, stretch covers everything.
        QTest::addColumn<FillMode>("mode");
        QTest::newRow("fill") << FillMode::fill;
        QTest::newRow("fit") << FillMode::fit;
        QTest::newRow("stretch") << FillMode::stretch;
    }
    void framesReachTheWindow()
    {
        QFETCH(FillMode, mode);
        LoopingPlayer player(clip());
        Stage stage(&player, {240, 240}, mode);
        player.setRate(1.0);
        WAIT_FOR(stage.layer->isReadyForDisplay() && stage.lit({80, 100, 80, 40}) > 0.5);
        const QImage first = stage.grab();
        const double band = litShare(first, QRect(0, 0, 240, 50), 2);
        QVERIFY2(mode == FillMode::fit ? band == 0.0 : band > 0.5,
                 qPrintable(QString::number(band)));
        // On the OpenGL route mpv draws into a texture the windows share.
        QCOMPARE(player.openGLTexture() != 0, renderPath() == RenderPath::openGL);
        QCOMPARE(player.frame() == nullptr, renderPath() == RenderPath::openGL);
        // A single layer gets exactly its own picture from mpv, at the window's pixels.
        QCOMPARE(drawnSize(player), QSize(240, 240));
        // The picture moves.
        const quint64 drawnBefore = player.drawnFrames();
        WAIT_FOR(player.drawnFrames() >= drawnBefore + 10);
        WAIT_FOR(test::changedShare(first, stage.grab(), 1) > 0.017);
    }

    void rotationIsApplied_data()
    {
        // SMPTE bars: colour bars in the upper part, green in the middle of them; black and
        // white patches below. A quarter turn (stored counter-clockwise) puts the bars left.
        const auto row = test::rows<std::tuple<int, QSize, QPoint, QPoint>>();
        row("upright", {0, QSize(320, 180), QPoint(160, 40), QPoint(160, 170)});
        row("quarter turn", {90, QSize(180, 320), QPoint(40, 160), QPoint(170, 160)});
        row("half turn", {180, QSize(320, 180), QPoint(160, 140), QPoint(160, 10)});
    }
    void rotationIsApplied()
    {
        const auto &[rotation, size, green, notGreen] =
            test::row<std::tuple<int, QSize, QPoint, QPoint>>();
        LoopingPlayer player(
            QUrl::fromLocalFile(test::testVideo({.source = "smptehdbars", .rotation = rotation})));
        Stage stage(&player, size);
        WAIT_FOR(player.videoSize() == size && stage.layer->isReadyForDisplay());
        QCOMPARE(drawnSize(player), size);
        const auto greenAt = [&](QPoint at) {
            const QRgb pixel = stage.grab().pixel(at);
            return qGreen(pixel) > 120 && qRed(pixel) < 80 && qBlue(pixel) < 80;
        };
        WAIT_FOR(greenAt(green));
        QVERIFY(!greenAt(notGreen));
    }

    void pauseAndSpeedKeepThePlace_data()
    {
        QTest::addColumn<double>("speed");
        QTest::newRow("0.25") << 0.25;
        QTest::newRow("3, beyond the slider") << 3.0;
    }
    void pauseAndSpeedKeepThePlace()
    {
        QFETCH(double, speed);
        LoopingPlayer player(clip(4.0));
        Stage stage(&player, {160, 90});
        player.setDefaultRate(1.25);
        player.play();
        QCOMPARE(player.rate(), 1.25);
        WAIT_FOR(player.timePos() > 0.5);
        player.setRate(0);
        WAIT_FOR(player.isPaused());
        letFramesPass(3); // whatever was already on its way arrives
        const double position = player.timePos();
        const QImage still = stage.grab();
        QCOMPARE(framesWhileOthersPlay(player, 20), quint64(0));
        QCOMPARE(player.timePos(), position);
        QCOMPARE(test::changedShare(still, stage.grab(), 1), 0.0);

        // Resumed, and then at another speed: onwards from where it was.
        player.play();
        WAIT_FOR(player.timePos() > position && player.speed() == 1.25);
        player.setRate(speed);
        const double before = player.timePos();
        const quint64 frames = player.drawnFrames();
        WAIT_FOR(player.speed() == speed && player.drawnFrames() >= frames + 5);
        QVERIFY2(player.timePos() >= before, qPrintable(QString::number(player.timePos())));
        QVERIFY(!player.isPaused());
    }

    // Every frame drawn across the loop point shows the picture: no black frame. A 4K video shown
    // at half its size (a 1080p display) is decoded the cheaper way, from a loop start; shown as
    // large as it is (a canvas spanning displays), in full at once; then cheaper again.
    void loopsPastTheEnd()
    {
        LoopingPlayer player(
            QUrl::fromLocalFile(test::testVideo({.width = 3840, .height = 2160, .seconds = 1.0})));
        Stage stage(&player, {1920, 1080});
        player.setRate(1.0);
        double highest = 0, peak = 0;
        int wraps = 0;
        connect(&player, &LoopingPlayer::timePosChanged, this, [&] {
            if (player.timePos() + 0.3 < highest) {
                ++wraps;
                peak = std::max(peak, highest);
                highest = 0;
            }
            highest = std::max(highest, player.timePos());
        });
        int blackFrames = 0;
        int inspected = 0;
        connect(&player, &LoopingPlayer::frameDrawn, this, [&] {
            if (player.frame()) // the OpenGL route keeps its frames on the GPU
                player.frame()->withFrame([&](const QImage &image) {
                    ++inspected;
                    blackFrames += litShare(image, {}, 4) < 0.5;
                });
        });
        const bool cheaper = renderPath() == RenderPath::software;
        // Last, half its width but its whole height (two portrait displays side by side).
        for (const auto &[size, reduced] : QList<std::pair<QSize, bool>>{{{1920, 1080}, cheaper},
                                                                         {{3840, 2160}, false},
                                                                         {{1920, 1080}, cheaper},
                                                                         {{1920, 2160}, false}}) {
            stage.layer->setSize(size);
            WAIT_FOR(player.isDecodingReduced() == reduced);
            const int before = wraps;
            WAIT_FOR(wraps > before); // and it goes on after the wrap
            QCOMPARE(player.isDecodingReduced(), reduced);
            QCOMPARE(drawnSize(player), size);
            WAIT_FOR(stage.lit() > 0.5);
        }
        QVERIFY(peak > 0.8);
        QCOMPARE(blackFrames, 0);
        QVERIFY(inspected > 0 || renderPath() == RenderPath::openGL);
    }

    void undecodableFileNeverReady_data()
    {
        QTest::addColumn<QByteArray>("content"); // none: no file
        QTest::newRow("garbage") << QByteArray(64 * 1024, 'x');
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("truncated header") << QByteArray("\0\0\0\x18"
                                                        "ftypmp42",
                                                        12);
        QTest::newRow("missing") << QByteArray();
    }
    void undecodableFileNeverReady()
    {
        QFETCH(QByteArray, content);
        const QString path = test::freshFolder("broken") + "/broken.mp4";
        QVERIFY(content.isNull() || test::writeFile(path, content));
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        auto player = std::make_unique<LoopingPlayer>(QUrl::fromLocalFile(path));
        Stage stage(player.get(), {160, 90});
        player->setRate(1.0);
        letFramesPass(30);
        QVERIFY(!player->isReadyForDisplay() && !stage.layer->isReadyForDisplay());
        QCOMPARE(player->drawnFrames(), quint64(0));
        player.reset(); // the layer lets go of it without harm
        QVERIFY(!stage.layer->player());
        QCOMPARE(log.lines(), QStringList());
    }

    void layersShareOneDrawing_data()
    {
        QTest::addColumn<QSize>("second");
        QTest::newRow("same size") << QSize(320, 180);
        QTest::newRow("different sizes") << QSize(160, 90);
    }
    void layersShareOneDrawing()
    {
        QFETCH(QSize, second);
        LoopingPlayer player(clip(4.0));
        Stage a(&player, {320, 180}, FillMode::fill, {0, 0});
        Stage b(&player, second, FillMode::fill, {400, 0});
        player.setRate(1.0);
        WAIT_FOR(a.layer->isReadyForDisplay() && b.layer->isReadyForDisplay());
        WAIT_FOR(player.timePos() > 0.3);
        const double startPos = player.timePos();
        const quint64 startFrames = player.drawnFrames();
        WAIT_FOR(player.timePos() > startPos + 1.5);
        // 30 frames a second of video time, drawn once each whatever the number of layers.
        const double videoFrames = (player.timePos() - startPos) * 30;
        const double drawn = double(player.drawnFrames() - startFrames);
        QVERIFY2(drawn <= videoFrames + 3 && drawn >= videoFrames * 0.5,
                 qPrintable(QStringLiteral("%1 drawn for %2 frames").arg(drawn).arg(videoFrames)));
        // Same pictures: drawn once as the layers show it. Different sizes: the whole video at
        // the larger layer's size, scaled down for the other. Both windows show the video.
        QCOMPARE(drawnSize(player), QSize(320, 180));
        WAIT_FOR(a.lit() > 0.5 && b.lit() > 0.5);

        // A layer without a player draws nothing; with nobody showing it, the player goes on
        // without drawing.
        a.layer->setPlayer(nullptr);
        b.layer->setPlayer(nullptr);
        QVERIFY(!a.layer->isReadyForDisplay());
        WAIT_FOR(a.lit() == 0.0);
        letFramesPass(3);
        const double position = player.timePos();
        const quint64 frames = player.drawnFrames();
        WAIT_FOR(player.timePos() > position + 0.3);
        QCOMPARE(player.drawnFrames(), frames);
    }

    // A new fill mode glides there over the layout's time even when the frame stays: halfway
    // the picture lies between the two modes' scalings.
    void fillModeGlides()
    {
        LoopingPlayer player(clip());
        Stage stage(&player, {240, 240});
        WAIT_FOR(stage.layer->isReadyForDisplay());
        VideoLayer &layer = *stage.layer;
        const QRectF fill = layer.videoRectangle();
        layer.glideTo(QRectF(0, 0, 240, 240), FillMode::fit, 700, QEasingCurve::OutCubic);
        auto *glide = layer.findChild<QVariantAnimation *>();
        QVERIFY(glide);
        glide->pause();
        glide->setCurrentTime(350);
        const QRectF middle = layer.videoRectangle();
        glide->setCurrentTime(700);
        const QRectF fit = layer.videoRectangle();
        QCOMPARE(layer.fillMode(), FillMode::fit);
        QVERIFY(fit.height() < fill.height() && fill.contains(fit));
        QVERIFY(middle != fill && middle != fit && fill.contains(middle) && middle.contains(fit));
    }

    void viewPausesWhileWindowHidden()
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Quintara.Engine\nWindow { width: 200; height: "
                          "120; color: 'black'\n LoopingVideoView { anchors.fill: parent } }",
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        auto *window = qobject_cast<QQuickWindow *>(root.get());
        auto *view = window->findChild<LoopingVideoView *>();
        QVERIFY(!view->player());
        // Not yet shown: loaded but not playing.
        view->setUrl(clip(4.0));
        view->setRate(1.5);
        LoopingPlayer *player = view->player();
        QVERIFY(player && !view->isPlaying());
        QCOMPARE(player->rate(), 0.0);

        window->show();
        WAIT_FOR(view->isPlaying() && view->isReadyForDisplay() && player->timePos() > 0.5);
        QCOMPARE(player->rate(), 1.5);
        window->hide();
        WAIT_FOR(!view->isPlaying() && player->isPaused());
        const double position = player->timePos();
        window->show();
        WAIT_FOR(view->isPlaying() && player->timePos() > position + 0.2);
        // A new rate keeps the player and its place.
        const double beforeRate = player->timePos();
        view->setRate(0.5);
        QCOMPARE(view->player(), player);
        WAIT_FOR(player->speed() == 0.5);
        QVERIFY(player->timePos() >= beforeRate);
        // A hidden item pauses as well.
        view->setVisible(false);
        QVERIFY(!view->isPlaying());
        view->setVisible(true);
        QVERIFY(view->isPlaying());
        // No URL releases the player; a URL again starts afresh.
        view->setUrl(QUrl());
        QVERIFY(!view->player() && !view->isPlaying());
        view->setUrl(clip(4.0));
        WAIT_FOR(view->player() && view->isPlaying());
    }
};

QUINTARA_TEST_MAIN(TestLoopingPlayer)
#include "tst_loopingplayer.moc"
