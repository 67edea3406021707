#pragma once

#include "platform/MediaPlayers.h"

#include <QDBusConnection>
#include <QHash>

class QDBusMessage;

namespace quintara {

// Every MPRIS player on the session bus (org.mpris.MediaPlayer2.*), followed as it comes and
// goes. A player's PlaybackStatus and Metadata become the announced dictionary; Spotify is
// org.mpris.MediaPlayer2.spotify.
class MprisPlayers final : public MediaPlayers {
    Q_OBJECT
public:
    static constexpr char prefix[] = "org.mpris.MediaPlayer2.";
    static constexpr char spotify[] = "org.mpris.MediaPlayer2.spotify";

    explicit MprisPlayers(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject *parent = nullptr);

    // Starts following the players, announcing those already there.
    void start();
    void send(const QString &player, Command command, QObject *context, Failed failed) override;

    // The dictionary for a player's PlaybackStatus and Metadata.
    static QVariantMap info(const QString &status, const QVariantMap &metadata);

private slots:
    void nameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);
    void propertiesChanged(const QDBusMessage &message);

private:
    struct Player {
        QString owner; // unique connection name
        QString status;
        QVariantMap metadata;
    };

    void follow(const QString &name);
    void forget(const QString &name);
    void readAll(const QString &name);
    void announce(const QString &name);

    QDBusConnection m_bus;
    QHash<QString, Player> m_players; // by well-known name
};

} // namespace quintara
