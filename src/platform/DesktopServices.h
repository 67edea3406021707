#pragma once

#include <QUrl>

namespace quintara {

// Handing things to the desktop's own applications.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Opens a web address or file in the application the user chose for it.
    virtual void openUrl(const QUrl &url) = 0;
    // Shows a local file selected in the file manager ("Show in Files"), or at least the
    // folder that holds it.
    virtual void reveal(const QUrl &file) = 0;
};

} // namespace quintara
