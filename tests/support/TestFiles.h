#pragma once

#include "platform/KeyValueStore.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <utility>

namespace quintara::test {

// Writes `bytes` to `path`, making its folder first; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes = {});
// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);
// The file as a JSON object; empty when it is missing or not one.
QJsonObject readJson(const QString &path);
// An empty folder of that name in the test's home, emptied when it was there before.
QString freshFolder(const QString &name);
// The file names of `urls`, in order.
QStringList fileNames(const QList<QUrl> &urls);

// User defaults held in memory.
class MemoryStore final : public KeyValueStore {
public:
    MemoryStore() = default;
    explicit MemoryStore(QJsonObject values) : m_values(std::move(values)) {}
    QJsonValue value(const QString &key) const override
    {
        return m_values.contains(key) ? m_values.value(key) : QJsonValue(QJsonValue::Undefined);
    }
    void setValues(const QList<Entry> &entries) override
    {
        for (const auto &[key, value] : entries)
            if (value.isUndefined())
                m_values.remove(key);
            else
                m_values.insert(key, value);
    }

    const QJsonObject &values() const { return m_values; }

private:
    QJsonObject m_values;
};

} // namespace quintara::test
