#pragma once

#include <QAnimationDriver>

namespace quintara::test {

// The animation clock of Qt and Qt Quick, moved by hand: while installed, animations advance
// only when the test says so, by exactly the time it says.
class ManualAnimationDriver final : public QAnimationDriver {
public:
    // Running from the start: were it started by the first animation, Qt would take its start
    // time from the wall clock at that moment, and the first step would be longer than asked.
    ManualAnimationDriver()
    {
        install();
        start();
    }
    ~ManualAnimationDriver() override { uninstall(); }

    void advanceBy(qint64 ms)
    {
        m_elapsed += ms;
        advance();
    }
    qint64 elapsed() const override { return m_elapsed; }

private:
    qint64 m_elapsed = 0;
};

} // namespace quintara::test
