// A stand-in for another program that copied some text: it owns the
// clipboard with the text given as its argument until it is killed.
// Prints "READY" once it owns it.
#include <QApplication>
#include <QClipboard>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString text = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("copied text");
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    QTimer::singleShot(200, &app, [] {
        const bool owned = QGuiApplication::clipboard()->ownsClipboard();
        std::printf(owned ? "READY 0 0\n" : "FAILED\n");
        std::fflush(stdout);
    });
    return app.exec();
}
