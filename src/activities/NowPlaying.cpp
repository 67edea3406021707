#include "activities/NowPlaying.h"

namespace quintara {

QString rawValue(MusicApp app)
{
    return app == MusicApp::spotify ? QStringLiteral("Spotify") : QStringLiteral("Music");
}

QString NowPlaying::artworkKey() const
{
    return artist + QLatin1Char('|') + album.value_or(title);
}

} // namespace quintara
