#pragma once

#include "platform/KeyValueStore.h"

#include <QJsonObject>
#include <optional>

namespace quintara {

// The settings file: one JSON object, rewritten atomically on every change. A file that cannot
// be read or parsed is renamed aside with a ".corrupt" suffix before the defaults replace it;
// when it cannot be moved either, the store keeps its changes in memory and never writes over it.
class JsonFileStore final : public KeyValueStore {
public:
    explicit JsonFileStore(QString path);

    // $XDG_CONFIG_HOME/quintara/settings.json
    static QString defaultPath();

    QJsonValue value(const QString &key) const override;
    void setValues(const QList<Entry> &entries) override;

    const QString &path() const { return m_path; }

    // The file's contents as the store reads and writes them: one JSON object, or nothing when
    // the bytes are not one.
    static std::optional<QJsonObject> decode(const QByteArray &bytes);
    static QByteArray encode(const QJsonObject &values);

private:
    void load();
    void save();

    QString m_path;
    QJsonObject m_values;
    bool m_writable = true;
};

} // namespace quintara
