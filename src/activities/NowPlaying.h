#pragma once

#include <QString>
#include <optional>

namespace quintara {

// Which kind of player a track comes from: Spotify, or any other music player.
enum class MusicApp { spotify, music };

// "Spotify" or "Music".
QString rawValue(MusicApp app);

// The track a player announced last.
struct NowPlaying {
    MusicApp app = MusicApp::music;
    QString title;
    QString artist;
    std::optional<QString> album;
    bool isPlaying = false;
    std::optional<QString> trackID;
    // The player's own artwork address, when it offers one.
    std::optional<QString> artUrl;

    bool operator==(const NowPlaying &) const = default;

    // Tracks with the same key share their artwork: artist, "|", and the album (or the title
    // when there is none).
    QString artworkKey() const;
};

enum class MusicCommand { playPause, nextTrack, previousTrack };

} // namespace quintara
