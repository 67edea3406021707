#pragma once

#include "engine/WallpaperBackend.h"
#include "platform/DesktopVisibility.h"
#include "platform/DisplayPower.h"
#include "platform/DisplayServer.h"

#include <QList>
#include <memory>

// Stand-ins for the windows, layers, players and displays of the wallpaper engine. Each keeps a
// record that outlives it, so tests can still read what a released player was last told.
namespace quintara::test {

struct PlayerRecord {
    QUrl url;
    double defaultRate = 1.0;
    double rate = 0.0;
    bool released = false;
};

class FakePlayer final : public ChannelPlayer {
public:
    explicit FakePlayer(std::shared_ptr<PlayerRecord> record) : m_record(std::move(record)) {}
    ~FakePlayer() override { m_record->released = true; }
    void setDefaultRate(double rate) override { m_record->defaultRate = rate; }
    double defaultRate() const override { return m_record->defaultRate; }
    void setRate(double rate) override { m_record->rate = rate; }
    double rate() const override { return m_record->rate; }
    PlayerRecord &record() { return *m_record; }

private:
    std::shared_ptr<PlayerRecord> m_record;
};

class FakeWindow;

class FakeLayer final : public WallpaperLayer {
public:
    FakeLayer(FakeWindow *window, FakePlayer *player, bool ready, double opacity);
    ~FakeLayer() override;

    bool isVideo() const override { return player != nullptr; }
    bool isReadyForDisplay() const override { return ready; }
    void setReadyHandler(std::function<void()> handler) override { readyHandler = handler; }
    double opacity() const override { return currentOpacity; }
    void setOpacity(double opacity) override { currentOpacity = opacity; }
    void fadeTo(double target, Duration duration) override
    {
        currentOpacity = target;
        fades.append(duration);
    }
    void setGeometry(const QRectF &f, FillMode m, Duration duration) override
    {
        frame = f;
        mode = m;
        geometryDurations.append(duration);
    }
    // The first frame arrives.
    void becomeReady()
    {
        ready = true;
        if (readyHandler)
            readyHandler();
    }

    FakeWindow *window;
    FakePlayer *player; // none for a gradient
    bool ready;
    double currentOpacity;
    std::function<void()> readyHandler;
    QList<Duration> fades;
    QRectF frame;
    FillMode mode = FillMode::fill;
    QList<Duration> geometryDurations;
};

class FakeBackend;

class FakeWindow final : public WallpaperWindow {
public:
    FakeWindow(FakeBackend *backend, const DisplayInfo &display);
    ~FakeWindow() override;

    void orderFront() override { front = true; }
    std::unique_ptr<WallpaperLayer> addVideoLayer(ChannelPlayer &player, const QRectF &frame,
                                                  FillMode mode, double opacity) override;
    std::unique_ptr<WallpaperLayer> addGradientLayer(double opacity) override
    {
        return std::make_unique<FakeLayer>(this, nullptr, true, opacity);
    }
    FakeLayer *top() const { return layers.isEmpty() ? nullptr : layers.last(); }

    FakeBackend *backend;
    DisplayInfo display;
    bool front = false;
    QList<FakeLayer *> layers; // bottom to top
};

class FakeBackend final : public WallpaperBackend {
public:
    std::unique_ptr<WallpaperWindow> createWindow(const DisplayInfo &display) override
    {
        ++windowsCreated;
        return std::make_unique<FakeWindow>(this, display);
    }
    std::unique_ptr<ChannelPlayer> createPlayer(const QUrl &file) override
    {
        players.append(std::make_shared<PlayerRecord>(PlayerRecord{file}));
        return std::make_unique<FakePlayer>(players.last());
    }
    // The live window of the display with this name.
    FakeWindow *window(const QString &name) const
    {
        for (FakeWindow *w : windows)
            if (w->display.name == name)
                return w;
        return nullptr;
    }
    // The most recent player made for `url`.
    std::shared_ptr<PlayerRecord> player(const QUrl &url) const
    {
        for (auto it = players.crbegin(); it != players.crend(); ++it)
            if ((*it)->url == url)
                return *it;
        return nullptr;
    }

    bool layersStartReady = true;
    int windowsCreated = 0;
    int layersCreated = 0;
    int layersRemoved = 0;
    QList<FakeWindow *> windows;
    QList<std::shared_ptr<PlayerRecord>> players;
};

inline FakeLayer::FakeLayer(FakeWindow *w, FakePlayer *p, bool r, double opacity)
    : window(w), player(p), ready(r || !p), currentOpacity(opacity)
{
    window->layers.append(this);
    ++window->backend->layersCreated;
}

inline FakeLayer::~FakeLayer()
{
    window->layers.removeOne(this);
    ++window->backend->layersRemoved;
}

inline FakeWindow::FakeWindow(FakeBackend *b, const DisplayInfo &d) : backend(b), display(d)
{
    backend->windows.append(this);
}

inline FakeWindow::~FakeWindow()
{
    Q_ASSERT(layers.isEmpty()); // layers go before their window
    backend->windows.removeOne(this);
}

inline std::unique_ptr<WallpaperLayer>
FakeWindow::addVideoLayer(ChannelPlayer &player, const QRectF &frame, FillMode mode, double opacity)
{
    auto layer = std::make_unique<FakeLayer>(this, &static_cast<FakePlayer &>(player),
                                             backend->layersStartReady, opacity);
    layer->frame = frame;
    layer->mode = mode;
    return layer;
}

class FakeDisplays final : public DisplayServer {
public:
    QList<DisplayInfo> displays() const override { return list; }
    QList<DisplayInfo> list;
};

class FakeVisibility final : public DesktopVisibility {
public:
    bool anyPartVisible(const QRect &frame) const override
    {
        ++queries;
        return !covered.contains(frame);
    }
    void cover(const QRect &frame, bool on)
    {
        if (on)
            covered.append(frame);
        else
            covered.removeAll(frame);
        emit mayHaveChanged();
    }
    QList<QRect> covered;
    mutable int queries = 0;
};

} // namespace quintara::test
