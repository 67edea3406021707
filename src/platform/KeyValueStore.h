#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>
#include <utility>

namespace quintara {

// The user-defaults store: a persistent map from keys to JSON values (Booleans, numbers,
// strings, string-keyed objects, arrays). Setting an undefined value removes the key.
class KeyValueStore {
public:
    using Entry = std::pair<QString, QJsonValue>;

    virtual ~KeyValueStore() = default;

    // The stored value, or an undefined value when the key is absent.
    virtual QJsonValue value(const QString &key) const = 0;
    // Stores every entry and then saves once, so a batch lands on disk together or not at all.
    virtual void setValues(const QList<Entry> &entries) = 0;

    void setValue(const QString &key, const QJsonValue &value) { setValues({{key, value}}); }
    void remove(const QString &key) { setValues({{key, QJsonValue(QJsonValue::Undefined)}}); }
    bool contains(const QString &key) const { return !value(key).isUndefined(); }
    // False when absent or not a Boolean.
    bool boolValue(const QString &key) const { return value(key).toBool(false); }
};

} // namespace quintara
