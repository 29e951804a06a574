// A stand-in for another program that copied some text: it owns the
// clipboard with the text given as its argument until it is killed.
// Prints "READY" once it owns it.
#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QGuiApplication::clipboard()->setText(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
    QTimer::singleShot(200, &app, [] {
        const bool owned = QGuiApplication::clipboard()->ownsClipboard();
        std::printf(owned ? "READY 0 0\n" : "FAILED\n");
        std::fflush(stdout);
    });
    return app.exec();
}
