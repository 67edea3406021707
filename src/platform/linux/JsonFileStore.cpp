#include "platform/linux/JsonFileStore.h"

#include "platform/KeepAside.h"
#include "platform/LogSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace quintara {

JsonFileStore::JsonFileStore(QString path) : m_path(std::move(path))
{
    load();
}

QString JsonFileStore::defaultPath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/quintara/settings.json");
}

QJsonValue JsonFileStore::value(const QString &key) const
{
    return m_values.value(key);
}

void JsonFileStore::setValues(const QList<Entry> &entries)
{
    for (const auto &[key, value] : entries) {
        if (value.isUndefined())
            m_values.remove(key);
        else
            m_values.insert(key, value);
    }
    save();
}

std::optional<QJsonObject> JsonFileStore::decode(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QByteArray JsonFileStore::encode(const QJsonObject &values)
{
    return QJsonDocument(values).toJson(QJsonDocument::Indented);
}

void JsonFileStore::load()
{
    if (!QFileInfo::exists(m_path))
        return;
    QFile file(m_path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const bool read = file.isOpen() && file.error() == QFileDevice::NoError;
    if (auto values = read ? decode(bytes) : std::nullopt) {
        m_values = std::move(*values);
        return;
    }
    // Keep what the user had, readable or not; the defaults are written on the next change.
    const QString problem = read ? QStringLiteral("could not be parsed")
                                 : QStringLiteral("could not be read (%1)").arg(file.errorString());
    file.close();
    const QString aside = keepAside(m_path);
    if (!aside.isEmpty()) {
        log::line(QStringLiteral("Quintara: settings file %1 %2; kept it as %3 and started from "
                                 "the defaults")
                      .arg(m_path, problem, aside));
        return;
    }
    // Nothing may write over a file that could be neither read nor moved.
    m_writable = false;
    log::line(QStringLiteral("Quintara: settings file %1 %2 and could not be kept aside; started "
                             "from the defaults and will not save over it")
                  .arg(m_path, problem));
}

void JsonFileStore::save()
{
    if (!m_writable)
        return;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        log::line(QStringLiteral("Quintara: cannot write settings file %1: %2")
                      .arg(m_path, file.errorString()));
        return;
    }
    file.write(encode(m_values));
    if (!file.commit())
        log::line(QStringLiteral("Quintara: cannot write settings file %1: %2")
                      .arg(m_path, file.errorString()));
}

} // namespace quintara
