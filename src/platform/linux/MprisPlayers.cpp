#include "platform/linux/MprisPlayers.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPointer>

namespace quintara {

namespace {

const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString busService = QStringLiteral("org.freedesktop.DBus");

// QtDBus leaves nested containers as QDBusArgument; a{sv} values arrive as plain variants.
QVariantMap toMap(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

QStringList toStrings(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QStringList>(value.value<QDBusArgument>());
    if (value.typeId() == QMetaType::QString)
        return {value.toString()};
    return value.toStringList();
}

QString trackId(const QVariant &value)
{
    const QString id = value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                                           : value.toString();
    // Spotify names its tracks by object path; the rest of the program knows its URIs.
    static const QString spotifyPath = QStringLiteral("/com/spotify/track/");
    if (id.startsWith(spotifyPath))
        return QStringLiteral("spotify:track:") + id.mid(spotifyPath.size());
    return id;
}

QString commandName(MediaPlayers::Command command)
{
    switch (command) {
    case MediaPlayers::Command::playPause:
        return QStringLiteral("PlayPause");
    case MediaPlayers::Command::next:
        return QStringLiteral("Next");
    case MediaPlayers::Command::previous:
        return QStringLiteral("Previous");
    }
    return {};
}

} // namespace

MprisPlayers::MprisPlayers(QDBusConnection bus, QObject *parent)
    : MediaPlayers(parent), m_bus(std::move(bus))
{}

void MprisPlayers::start()
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(busService, QStringLiteral("/org/freedesktop/DBus"), busService,
                  QStringLiteral("NameOwnerChanged"), this,
                  SLOT(nameOwnerChanged(QString, QString, QString)));
    m_bus.connect(QString(), objectPath, propertiesInterface, QStringLiteral("PropertiesChanged"),
                  this, SLOT(propertiesChanged(QDBusMessage)));
    const QDBusMessage list =
        QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"),
                                       busService, QStringLiteral("ListNames"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(list), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> reply = *watcher;
        for (const QString &name : reply.value())
            if (name.startsWith(QLatin1String(prefix)))
                follow(name);
    });
}

void MprisPlayers::nameOwnerChanged(const QString &name, const QString &, const QString &newOwner)
{
    if (!name.startsWith(QLatin1String(prefix)))
        return;
    if (newOwner.isEmpty())
        forget(name);
    else
        follow(name);
}

void MprisPlayers::follow(const QString &name)
{
    m_players.insert(name, Player{});
    QDBusMessage owner =
        QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"),
                                       busService, QStringLiteral("GetNameOwner"));
    owner << name;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(owner), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name] {
        watcher->deleteLater();
        const QDBusPendingReply<QString> reply = *watcher;
        auto player = m_players.find(name);
        if (reply.isError() || player == m_players.end())
            return;
        player->owner = reply.value();
        readAll(name);
    });
}

void MprisPlayers::forget(const QString &name)
{
    if (m_players.remove(name) == 0)
        return;
    emit announced(name, name == QLatin1String(spotify),
                   {{QLatin1String(playerInfo::state), QStringLiteral("Stopped")}});
}

void MprisPlayers::readAll(const QString &name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(name, objectPath, propertiesInterface,
                                                       QStringLiteral("GetAll"));
    call << playerInterface;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name] {
        watcher->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *watcher;
        auto player = m_players.find(name);
        if (reply.isError() || player == m_players.end())
            return;
        player->status = reply.value().value(QStringLiteral("PlaybackStatus")).toString();
        player->metadata = toMap(reply.value().value(QStringLiteral("Metadata")));
        announce(name);
    });
}

void MprisPlayers::propertiesChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString() != playerInterface)
        return;
    // Signals carry the sender's unique name.
    for (auto player = m_players.begin(); player != m_players.end(); ++player) {
        if (player->owner != message.service())
            continue;
        const QVariantMap changed = toMap(arguments.at(1));
        const QStringList invalidated =
            arguments.size() > 2 ? toStrings(arguments.at(2)) : QStringList();
        const QString name = player.key();
        if (invalidated.contains(QLatin1String("PlaybackStatus")) ||
            invalidated.contains(QLatin1String("Metadata"))) {
            readAll(name);
            return;
        }
        if (!changed.contains(QLatin1String("PlaybackStatus")) &&
            !changed.contains(QLatin1String("Metadata")))
            return;
        if (changed.contains(QLatin1String("PlaybackStatus")))
            player->status = changed.value(QStringLiteral("PlaybackStatus")).toString();
        if (changed.contains(QLatin1String("Metadata")))
            player->metadata = toMap(changed.value(QStringLiteral("Metadata")));
        announce(name);
        return;
    }
}

void MprisPlayers::announce(const QString &name)
{
    const Player &player = m_players[name];
    emit announced(name, name == QLatin1String(spotify), info(player.status, player.metadata));
}

QVariantMap MprisPlayers::info(const QString &status, const QVariantMap &metadata)
{
    QVariantMap info{
        {QLatin1String(playerInfo::state), status.isEmpty() ? QStringLiteral("Stopped") : status}};
    auto text = [&metadata](const char *key) {
        return metadata.value(QLatin1String(key)).toString();
    };
    if (const QString title = text("xesam:title"); !title.isEmpty())
        info.insert(QLatin1String(playerInfo::name), title);
    if (const QStringList artists = toStrings(metadata.value(QStringLiteral("xesam:artist")));
        !artists.isEmpty())
        info.insert(QLatin1String(playerInfo::artist), artists.join(QStringLiteral(", ")));
    if (const QString album = text("xesam:album"); !album.isEmpty())
        info.insert(QLatin1String(playerInfo::album), album);
    if (metadata.contains(QStringLiteral("mpris:trackid")))
        info.insert(QLatin1String(playerInfo::trackId),
                    trackId(metadata.value(QStringLiteral("mpris:trackid"))));
    if (const QString art = text("mpris:artUrl"); !art.isEmpty())
        info.insert(QLatin1String(playerInfo::artUrl), art);
    return info;
}

void MprisPlayers::send(const QString &player, Command command, QObject *context, Failed failed)
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(player, objectPath, playerInterface, commandName(command));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    QPointer<QObject> guard(context);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, guard, failed = std::move(failed)] {
                watcher->deleteLater();
                if (watcher->isError() && guard && failed)
                    failed(watcher->error().message());
            });
}

} // namespace quintara
