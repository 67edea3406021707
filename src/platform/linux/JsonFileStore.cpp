#include "platform/linux/JsonFileStore.h"

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

static QString asideName(const QString &path)
{
    QString candidate = path + QStringLiteral(".corrupt");
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".corrupt-%1").arg(n);
    return candidate;
}

void JsonFileStore::load()
{
    QFile file(m_path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        log::line(QStringLiteral("Quintara: cannot read settings file %1: %2")
                      .arg(m_path, file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        m_values = document.object();
        return;
    }
    // Keep what the user had; the defaults are written on the next change.
    const QString aside = asideName(m_path);
    if (QFile::rename(m_path, aside))
        log::line(QStringLiteral("Quintara: settings file %1 could not be parsed; kept it as %2 "
                                 "and started from the defaults")
                      .arg(m_path, aside));
    else
        log::line(QStringLiteral("Quintara: settings file %1 could not be parsed and could not be "
                                 "kept aside; started from the defaults")
                      .arg(m_path));
}

void JsonFileStore::save()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        log::line(QStringLiteral("Quintara: cannot write settings file %1: %2")
                      .arg(m_path, file.errorString()));
        return;
    }
    file.write(QJsonDocument(m_values).toJson(QJsonDocument::Indented));
    if (!file.commit())
        log::line(QStringLiteral("Quintara: cannot write settings file %1: %2")
                      .arg(m_path, file.errorString()));
}

} // namespace quintara
