#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace quintara {

// The desktop's music players: each announces its state as a dictionary of strings under the
// keys below whenever it changes, when it appears, and once more as "Stopped" when it goes.
class MediaPlayers : public QObject {
    Q_OBJECT
public:
    enum class Command { playPause, next, previous };
    using Failed = std::function<void(const QString &error)>;

    using QObject::QObject;
    ~MediaPlayers() override = default;

    // Sends `command` to `player` without waiting; `failed` runs on the main thread with the
    // error's description if the player refuses or cannot be reached (unless `context` is gone).
    virtual void send(const QString &player, Command command, QObject *context, Failed failed) = 0;

signals:
    // `player` names the player on the desktop; `isSpotify` tells Spotify from the others.
    void announced(const QString &player, bool isSpotify, const QVariantMap &info);
};

namespace playerInfo {
inline constexpr char state[] = "Player State"; // "Playing", "Paused" or "Stopped"
inline constexpr char name[] = "Name";
inline constexpr char artist[] = "Artist";
inline constexpr char album[] = "Album";
inline constexpr char trackId[] = "Track ID";
// The player's own artwork address: a file: URL or an http(s) address.
inline constexpr char artUrl[] = "Art URL";
} // namespace playerInfo

} // namespace quintara
