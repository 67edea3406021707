// A chat app's window for the chat app watcher's tests. Commands on standard input, each
// answered "ok": title TEXT, button TEXT, described TEXT (a button with only a description),
// nobutton, filler N (labels a depth-first search reads before the button), quit.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <unistd.h>

int main(int argc, char **argv)
{
    QApplication::setApplicationName(argc > 1 ? argv[1] : "Claude");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Trip ideas");
    window.resize(400, 300);
    // The search reads the last child first: the button's slot comes first, the filler after.
    auto *slot = new QWidget(&window);
    auto *filler = new QWidget(&window);
    std::unique_ptr<QPushButton> button;
    window.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[256];
        if (!fgets(line, sizeof line, stdin)) {
            app.quit();
            return;
        }
        const QString command = QString::fromUtf8(line).chopped(1);
        const QString word = command.section(' ', 0, 0), rest = command.section(' ', 1);
        if (word == "title") {
            window.setWindowTitle(rest);
        } else if (word == "button" || word == "described") {
            button = std::make_unique<QPushButton>(word == "button" ? rest : QString(), slot);
            if (word == "described")
                button->setAccessibleDescription(rest);
            button->show();
        } else if (word == "nobutton") {
            button.reset();
        } else if (word == "filler") {
            qDeleteAll(filler->findChildren<QLabel *>());
            for (int i = 0; i < rest.toInt(); ++i)
                (new QLabel(QString::number(i), filler))->show();
        } else if (word == "quit") {
            app.quit();
        }
        std::printf("ok\n");
        std::fflush(stdout);
    });
    std::printf("ok\n");
    std::fflush(stdout);
    return app.exec();
}
