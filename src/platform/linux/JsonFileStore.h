#pragma once

#include "platform/KeyValueStore.h"

#include <QJsonObject>

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

private:
    void load();
    void save();

    QString m_path;
    QJsonObject m_values;
    bool m_writable = true;
};

} // namespace quintara
