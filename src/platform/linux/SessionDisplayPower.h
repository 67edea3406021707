#pragma once

#include "platform/DisplayPower.h"

namespace quintara {

// Display sleep and wake on a Linux session: the screen saver's ActiveChanged
// (org.freedesktop.ScreenSaver on the session bus) and logind's PrepareForSleep (system bus).
// A bus that is missing simply reports nothing.
class SessionDisplayPower final : public DisplayPower {
    Q_OBJECT
public:
    explicit SessionDisplayPower(QObject *parent = nullptr);

private slots:
    void screenSaverActiveChanged(bool active);
    void prepareForSleep(bool sleeping);

private:
    void set(bool asleep);

    bool m_screenSaverActive = false;
    bool m_systemSleeping = false;
    bool m_asleep = false;
};

} // namespace quintara
