#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

namespace quintara::test {

// Points HOME and the XDG folders at a fresh temporary folder so that no test ever reads or
// writes the user's files. Call before the application object exists.
class IsolatedHome {
public:
    IsolatedHome();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

} // namespace quintara::test

// Like QTEST_MAIN, with an isolated home and an offscreen platform when there is no display.
#define QUINTARA_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        quintara::test::IsolatedHome home;                                                         \
        if (qEnvironmentVariableIsEmpty("DISPLAY") &&                                              \
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication app(argc, argv);                                                              \
        app.setQuitOnLastWindowClosed(false);                                                      \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
