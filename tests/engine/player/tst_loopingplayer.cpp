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

namespace {

constexpr int frameTimeout = 15000;

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
};

bool isBlack(QRgb pixel)
{
    return qRed(pixel) < 16 && qGreen(pixel) < 16 && qBlue(pixel) < 16;
}

// Share of non-black pixels in a rectangle of the image.
double litShare(const QImage &image, const QRect &area)
{
    int lit = 0;
    int total = 0;
    for (int y = area.top(); y <= area.bottom(); y += 2) {
        for (int x = area.left(); x <= area.right(); x += 2) {
            ++total;
            lit += isBlack(image.pixel(x, y)) ? 0 : 1;
        }
    }
    return total ? double(lit) / total : 0.0;
}

int changedPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            changed += (pa[x] & 0xffffff) != (pb[x] & 0xffffff) ? 1 : 0;
    }
    return changed;
}

QUrl clip(double seconds = 2.0, int width = 320, int height = 180)
{
    test::VideoSpec spec;
    spec.seconds = seconds;
    spec.width = width;
    spec.height = height;
    return QUrl::fromLocalFile(test::testVideo(spec));
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
    QTRY_VERIFY_WITH_TIMEOUT(reference.drawnFrames() >= quint64(frames), frameTimeout);
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

    void chooseRenderPath_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<bool>("renderNode");
        QTest::addColumn<QString>("gallium");
        QTest::addColumn<bool>("alwaysSoftware");
        QTest::addColumn<bool>("openGL");
        QTest::newRow("no gpu") << "" << false << "" << false << false;
        QTest::newRow("gpu") << "" << true << "" << false << true;
        QTest::newRow("gpu, llvmpipe forced") << "" << true << "llvmpipe" << false << false;
        QTest::newRow("gpu, always software") << "" << true << "" << true << false;
        QTest::newRow("override gl") << "gl" << false << "" << false << true;
        QTest::newRow("override sw") << "SW" << true << "" << false << false;
        QTest::newRow("unknown override") << "vulkan" << true << "" << false << true;
    }
    void chooseRenderPath()
    {
        QFETCH(QString, variable);
        QFETCH(bool, renderNode);
        QFETCH(QString, gallium);
        QFETCH(bool, alwaysSoftware);
        QFETCH(bool, openGL);
        QCOMPARE(quintara::chooseRenderPath(variable, renderNode, gallium, alwaysSoftware) ==
                     RenderPath::openGL,
                 openGL);
    }

    void createdPausedAndMuted()
    {
        LoopingPlayer player(clip());
        QCOMPARE(player.rate(), 0.0);
        QVERIFY(!player.isReadyForDisplay());
        Stage stage(&player, {320, 180});
        // Paused, it still shows its first frame, and only that one.
        QTRY_VERIFY_WITH_TIMEOUT(player.isReadyForDisplay(), frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
        QVERIFY(player.isPaused());
        letFramesPass(3);
        const quint64 frames = player.drawnFrames();
        QVERIFY(frames <= 3); // the first frame, redrawn as the scaling settles
        letFramesPass(20);
        QCOMPARE(player.drawnFrames(), frames);
        QCOMPARE(player.timePos(), 0.0);
    }

    void framesReachTheWindow_data()
    {
        QTest::addColumn<FillMode>("mode");
        QTest::addColumn<QSize>("window");
        // A 16:9 video in a square window: fill crops the sides, fit leaves bands above and
        // below, stretch covers everything.
        QTest::newRow("fill") << FillMode::fill << QSize(240, 240);
        QTest::newRow("fit") << FillMode::fit << QSize(240, 240);
        QTest::newRow("stretch") << FillMode::stretch << QSize(240, 240);
    }
    void framesReachTheWindow()
    {
        QFETCH(FillMode, mode);
        QFETCH(QSize, window);
        LoopingPlayer player(clip());
        Stage stage(&player, window, mode);
        player.setRate(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(litShare(stage.grab(), QRect(80, 100, 80, 40)) > 0.5,
                                 frameTimeout);

        const QImage first = stage.grab();
        const QRect topBand(0, 0, window.width(), 50);
        if (mode == FillMode::fit)
            QCOMPARE(litShare(first, topBand), 0.0);
        else
            QVERIFY(litShare(first, topBand) > 0.5);
        // On the OpenGL route mpv draws into a texture the windows share.
        QCOMPARE(player.openGLTexture() != 0, renderPath() == RenderPath::openGL);
        QCOMPARE(player.frame() == nullptr, renderPath() == RenderPath::openGL);
        const QSize drawn = drawnSize(player);
        // A single layer gets exactly its own picture from mpv, at the window's pixels.
        QCOMPARE(drawn, window);

        // The picture moves.
        const quint64 drawnBefore = player.drawnFrames();
        QTRY_VERIFY_WITH_TIMEOUT(player.drawnFrames() >= drawnBefore + 10, frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(changedPixels(first, stage.grab()) > 1000, frameTimeout);
    }

    void pictureIsUpright_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("green");
        QTest::addColumn<QPoint>("notGreen");
        // SMPTE bars: colour bars in the upper part, green in the middle of them; black and
        // white patches below. A quarter turn (stored counter-clockwise) puts the bars left.
        QTest::newRow("upright") << 0 << QSize(320, 180) << QPoint(160, 40) << QPoint(160, 170);
        QTest::newRow("quarter turn")
            << 90 << QSize(180, 320) << QPoint(40, 160) << QPoint(170, 160);
    }
    void pictureIsUpright()
    {
        QFETCH(int, rotation);
        QFETCH(QSize, window);
        QFETCH(QPoint, green);
        QFETCH(QPoint, notGreen);
        test::VideoSpec spec;
        spec.source = QStringLiteral("smptehdbars");
        spec.rotation = rotation;
        LoopingPlayer player(QUrl::fromLocalFile(test::testVideo(spec)));
        Stage stage(&player, window);
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
        const auto greenAt = [&](QPoint at) {
            const QRgb pixel = stage.grab().pixel(at);
            return qGreen(pixel) > 120 && qRed(pixel) < 80 && qBlue(pixel) < 80;
        };
        QTRY_VERIFY_WITH_TIMEOUT(greenAt(green), frameTimeout);
        QVERIFY(!greenAt(notGreen));
    }

    void videoSizeFollowsRotation_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("size");
        QTest::newRow("upright") << 0 << QSize(320, 180);
        QTest::newRow("quarter turn") << 90 << QSize(180, 320);
        QTest::newRow("half turn") << 180 << QSize(320, 180);
    }
    void videoSizeFollowsRotation()
    {
        QFETCH(int, rotation);
        QFETCH(QSize, size);
        test::VideoSpec spec;
        spec.rotation = rotation;
        LoopingPlayer player(QUrl::fromLocalFile(test::testVideo(spec)));
        Stage stage(&player, {200, 200}, FillMode::fit);
        QTRY_COMPARE_WITH_TIMEOUT(player.videoSize(), size, frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
        QCOMPARE(drawnSize(player), QSize(200, 200));
    }

    void resizeWhilePausedRedrawsOnce()
    {
        LoopingPlayer player(clip());
        Stage stage(&player, {160, 90});
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
        letFramesPass(3);
        const quint64 frames = player.drawnFrames();
        stage.window->resize(320, 180);
        stage.layer->setSize({320, 180});
        QTRY_COMPARE_WITH_TIMEOUT(drawnSize(player), QSize(320, 180), frameTimeout);
        letFramesPass(3);
        const quint64 redrawn = player.drawnFrames();
        QVERIFY(redrawn > frames && redrawn <= frames + 3);
        letFramesPass(10);
        QCOMPARE(player.drawnFrames(), redrawn);
        QVERIFY(player.isPaused());
        QTRY_VERIFY_WITH_TIMEOUT(litShare(stage.grab(), QRect(0, 0, 320, 180)) > 0.5, frameTimeout);
    }

    void speedChangeKeepsPosition_data()
    {
        QTest::addColumn<double>("speed");
        QTest::newRow("0.25") << 0.25;
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("3, beyond the slider") << 3.0;
    }
    void speedChangeKeepsPosition()
    {
        QFETCH(double, speed);
        LoopingPlayer player(clip(4.0));
        Stage stage(&player, {160, 90});
        player.setRate(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(player.timePos() > 0.6, frameTimeout);
        const double before = player.timePos();
        const quint64 framesBefore = player.drawnFrames();
        player.setRate(speed);
        QCOMPARE(player.rate(), speed);
        QTRY_COMPARE_WITH_TIMEOUT(player.speed(), speed, frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(player.drawnFrames() >= framesBefore + 5, frameTimeout);
        // Still going forward from where it was, not from the start.
        QVERIFY2(player.timePos() >= before, qPrintable(QString::number(player.timePos())));
        QVERIFY(!player.isPaused());
    }

    void pauseStopsFramesAndResumesInPlace()
    {
        LoopingPlayer player(clip(4.0));
        Stage stage(&player, {160, 90});
        player.setDefaultRate(1.25);
        player.play();
        QCOMPARE(player.rate(), 1.25);
        QTRY_VERIFY_WITH_TIMEOUT(player.timePos() > 0.5, frameTimeout);
        player.setRate(0);
        QTRY_VERIFY_WITH_TIMEOUT(player.isPaused(), frameTimeout);
        // Let whatever was already on its way arrive.
        letFramesPass(3);
        const quint64 frames = player.drawnFrames();
        const double position = player.timePos();
        const QImage still = stage.grab();

        letFramesPass(20);
        QCOMPARE(player.drawnFrames(), frames);
        QCOMPARE(player.timePos(), position);
        QCOMPARE(changedPixels(still, stage.grab()), 0);

        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.drawnFrames() > frames + 5, frameTimeout);
        QVERIFY(player.timePos() > position);
        QCOMPARE(player.speed(), 1.25);
    }

    void loopsPastTheEnd()
    {
        LoopingPlayer player(clip(1.0));
        Stage stage(&player, {160, 90});
        player.setRate(2.0);
        double highest = 0;
        bool wrapped = false;
        connect(&player, &LoopingPlayer::timePosChanged, this, [&] {
            if (player.timePos() + 0.3 < highest)
                wrapped = true;
            highest = std::max(highest, player.timePos());
        });
        // Every frame drawn, across the loop point too, shows the picture: no black frame.
        int blackFrames = 0;
        int inspected = 0;
        connect(&player, &LoopingPlayer::frameDrawn, this, [&] {
            if (!player.frame())
                return; // the OpenGL route keeps its frames on the GPU
            player.frame()->withFrame([&](const QImage &image) {
                ++inspected;
                if (litShare(image, image.rect().adjusted(0, 0, -1, -1)) < 0.5)
                    ++blackFrames;
            });
        });
        QTRY_VERIFY_WITH_TIMEOUT(wrapped, frameTimeout);
        QVERIFY(highest > 0.8);
        // And it goes on after the wrap.
        const quint64 frames = player.drawnFrames();
        QTRY_VERIFY_WITH_TIMEOUT(player.drawnFrames() > frames + 20, frameTimeout);
        wrapped = false;
        highest = 0;
        QTRY_VERIFY_WITH_TIMEOUT(wrapped, frameTimeout);
        QCOMPARE(blackFrames, 0);
        QVERIFY(inspected > 0 || renderPath() == RenderPath::openGL);
    }

    void undecodableFileNeverReady_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::newRow("garbage") << QByteArray(64 * 1024, 'x') << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("truncated header") << QByteArray("\x00\x00\x00\x18"
                                                        "ftypmp42",
                                                        12)
                                          << true;
        QTest::newRow("missing") << QByteArray() << false;
    }
    void undecodableFileNeverReady()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("broken.mp4"));
        if (exists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        MemoryLogSink log;
        log::setSink(&log);
        {
            auto player = std::make_unique<LoopingPlayer>(QUrl::fromLocalFile(path));
            Stage stage(player.get(), {160, 90});
            player->setRate(1.0);
            letFramesPass(30);
            QVERIFY(!player->isReadyForDisplay());
            QVERIFY(!stage.layer->isReadyForDisplay());
            QCOMPARE(player->drawnFrames(), quint64(0));
            player.reset(); // the layer lets go of it without harm
            QVERIFY(!stage.layer->player());
        }
        log::setSink(nullptr);
        QCOMPARE(log.lines(), QStringList());
    }

    void layersShareOneDrawing_data()
    {
        QTest::addColumn<QSize>("first");
        QTest::addColumn<QSize>("second");
        QTest::newRow("same size") << QSize(320, 180) << QSize(320, 180);
        QTest::newRow("different sizes") << QSize(320, 180) << QSize(160, 90);
    }
    void layersShareOneDrawing()
    {
        QFETCH(QSize, first);
        QFETCH(QSize, second);
        LoopingPlayer player(clip(4.0));
        Stage a(&player, first, FillMode::fill, {0, 0});
        Stage b(&player, second, FillMode::fill, {400, 0});
        player.setRate(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(a.layer->isReadyForDisplay() && b.layer->isReadyForDisplay(),
                                 frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(player.timePos() > 0.3, frameTimeout);
        const double startPos = player.timePos();
        const quint64 startFrames = player.drawnFrames();
        QTRY_VERIFY_WITH_TIMEOUT(player.timePos() > startPos + 1.5, frameTimeout);
        // 30 frames a second of video time, drawn once each whatever the number of layers.
        const double videoFrames = (player.timePos() - startPos) * 30;
        const double drawn = double(player.drawnFrames() - startFrames);
        QVERIFY2(drawn <= videoFrames + 3,
                 qPrintable(QStringLiteral("%1 drawn for %2 frames").arg(drawn).arg(videoFrames)));
        QVERIFY(drawn >= videoFrames * 0.5);
        // Same pictures: drawn once as the layers show it. Different sizes: the whole video at
        // the larger layer's size, scaled down for the other. Both windows show the video.
        QCOMPARE(drawnSize(player), first.expandedTo(second));
        QTRY_VERIFY_WITH_TIMEOUT(litShare(a.grab(), QRect(QPoint(0, 0), first)) > 0.5,
                                 frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(litShare(b.grab(), QRect(QPoint(0, 0), second)) > 0.5,
                                 frameTimeout);
    }

    void layerWithoutPlayerDrawsNothing()
    {
        LoopingPlayer player(clip());
        Stage stage(&player, {160, 90});
        player.setRate(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
        stage.layer->setPlayer(nullptr);
        QVERIFY(!stage.layer->isReadyForDisplay());
        QTRY_COMPARE_WITH_TIMEOUT(litShare(stage.grab(), QRect(0, 0, 160, 90)), 0.0, frameTimeout);
        // Nobody shows the player any more: it goes on without drawing.
        letFramesPass(3);
        const quint64 frames = player.drawnFrames();
        const double position = player.timePos();
        QTRY_VERIFY_WITH_TIMEOUT(player.timePos() > position + 0.3, frameTimeout);
        QCOMPARE(player.drawnFrames(), frames);
    }

    // A new fill mode glides there over the layout's time even when the frame stays: halfway
    // the picture lies between the two modes' scalings.
    void fillModeGlides()
    {
        LoopingPlayer player(clip());
        Stage stage(&player, {240, 240});
        QTRY_VERIFY_WITH_TIMEOUT(stage.layer->isReadyForDisplay(), frameTimeout);
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
        component.setData(QByteArrayLiteral("import QtQuick\nimport Quintara.Engine\n"
                                            "Window { width: 200; height: 120; color: 'black'\n"
                                            "  LoopingVideoView { objectName: 'view'; "
                                            "anchors.fill: parent } }"),
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        auto *window = qobject_cast<QQuickWindow *>(root.get());
        auto *view = window->findChild<LoopingVideoView *>(QStringLiteral("view"));
        QVERIFY(view);
        QVERIFY(!view->player());

        // Not yet shown: loaded but not playing.
        view->setUrl(clip(4.0));
        view->setRate(1.5);
        LoopingPlayer *player = view->player();
        QVERIFY(player);
        QVERIFY(!view->isPlaying());
        QCOMPARE(player->rate(), 0.0);

        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(view->isPlaying(), frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(view->isReadyForDisplay(), frameTimeout);
        QCOMPARE(player->rate(), 1.5);
        QTRY_VERIFY_WITH_TIMEOUT(player->timePos() > 0.5, frameTimeout);

        window->hide();
        QTRY_VERIFY_WITH_TIMEOUT(!view->isPlaying(), frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(player->isPaused(), frameTimeout);
        const double position = player->timePos();

        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(view->isPlaying(), frameTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(player->timePos() > position + 0.2, frameTimeout);

        // A new rate keeps the player and its place.
        const double beforeRate = player->timePos();
        view->setRate(0.5);
        QCOMPARE(view->player(), player);
        QTRY_COMPARE_WITH_TIMEOUT(player->speed(), 0.5, frameTimeout);
        QVERIFY(player->timePos() >= beforeRate);

        // Hidden item: paused as well.
        view->setVisible(false);
        QVERIFY(!view->isPlaying());
        view->setVisible(true);
        QVERIFY(view->isPlaying());

        // No URL releases the player; a URL again starts afresh.
        view->setUrl(QUrl());
        QVERIFY(!view->player());
        QVERIFY(!view->isPlaying());
        view->setUrl(clip(4.0));
        QVERIFY(view->player());
        QTRY_VERIFY_WITH_TIMEOUT(view->isPlaying(), frameTimeout);
    }
};

QUINTARA_TEST_MAIN(TestLoopingPlayer)
#include "tst_loopingplayer.moc"
