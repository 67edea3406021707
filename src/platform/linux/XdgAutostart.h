#pragma once

#include "platform/LoginItems.h"

namespace quintara {

// $XDG_CONFIG_HOME/autostart/com.quintara.Quintara.desktop: enabled means the file exists and
// is not Hidden=true.
class XdgAutostart final : public LoginItems {
public:
    // `executable` is what the entry starts; by default this process's own binary.
    explicit XdgAutostart(QString executable = QString());

    static QString entryPath();

    bool isEnabled() const override;
    bool enable(QString *error) override;
    bool disable(QString *error) override;
    bool hasBundleIdentity() const override;

private:
    QString m_executable;
};

} // namespace quintara
