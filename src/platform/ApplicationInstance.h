#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>

namespace quintara {

// One Quintara per session: the first process owns the instance; a later launch hands its
// request to it and exits.
class ApplicationInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        primary,   // this process is the instance; requests arrive through the signals
        secondary, // another process is the instance; forward to it
        alone,     // no way to find other instances (no session bus); run on our own
    };

    using QObject::QObject;

    virtual Role claim() = 0;
    // Forwarding, used by a secondary process. False when the instance did not answer.
    virtual bool forwardActivate() = 0;
    virtual bool forwardOpen(const QStringList &uris) = 0;
    virtual bool forwardAction(const QString &name, const QVariantList &arguments) = 0;

signals:
    void activateRequested();
    void openRequested(const QStringList &uris);
    void actionRequested(const QString &name, const QVariantList &arguments);
};

} // namespace quintara
