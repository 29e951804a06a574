// A stand-in for another program that takes every drop as a copy. Prints
// "READY <x> <y>" with the global centre in X11 pixels, then for each drop
// "URIS <uri-list, base64>".
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <cstdio>

class DropTarget : public QWidget {
public:
    DropTarget() {
        setWindowTitle(QStringLiteral("drop-target"));
        setAcceptDrops(true);
        resize(300, 200);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }

    void dropEvent(QDropEvent* event) override {
        const QByteArray uris = event->mimeData()->data(QStringLiteral("text/uri-list"));
        std::printf("URIS %s\n", uris.toBase64().constData());
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    DropTarget window;
    if (argc > 2)
        window.move(QString::fromLatin1(argv[1]).toInt(), QString::fromLatin1(argv[2]).toInt());
    window.show();
    QTimer::singleShot(300, &window, [&window] {
        const QPoint centre = window.mapToGlobal(window.rect().center());
        std::printf("READY %d %d\n", centre.x(), centre.y());
        std::fflush(stdout);
    });
    return app.exec();
}
