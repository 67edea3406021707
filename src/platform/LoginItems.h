#pragma once

#include <QString>

namespace quintara {

// Starting Quintara when the user logs in.
class LoginItems {
public:
    virtual ~LoginItems() = default;
    virtual bool isEnabled() const = 0;
    // On failure false, with a description of the error in `error`.
    virtual bool enable(QString *error) = 0;
    virtual bool disable(QString *error) = 0;
    // Whether this process runs as an installed application (not from a build tree), the only
    // kind that may be registered on its own.
    virtual bool hasBundleIdentity() const = 0;
};

} // namespace quintara
