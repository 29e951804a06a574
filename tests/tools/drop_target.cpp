// A stand-in for another program that takes drops: "accept" takes every drop
// as a copy, "refuse" refuses them all. Prints "READY <x> <y>" with the global
// centre in X11 pixels, then for each drop "DROP <formats>" followed by
// "URIS <uri-list, base64>" and "TEXT <text/plain, base64>".
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <cstdio>

class DropTarget : public QWidget {
public:
    explicit DropTarget(bool accepting)
        : m_accepting(accepting) {
        setWindowTitle(QStringLiteral("drop-target"));
        setAcceptDrops(true);
        resize(300, 200);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (m_accepting)
            event->acceptProposedAction();
        else
            event->ignore();
    }

    void dropEvent(QDropEvent* event) override {
        const QMimeData* mime = event->mimeData();
        std::printf("DROP %s\n", qPrintable(mime->formats().join(QLatin1Char(','))));
        std::printf("URIS %s\n",
                    mime->data(QStringLiteral("text/uri-list")).toBase64().constData());
        std::printf("TEXT %s\n", mime->data(QStringLiteral("text/plain")).toBase64().constData());
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }

private:
    bool m_accepting;
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool accepting = !(argc > 1 && qstrcmp(argv[1], "refuse") == 0);
    DropTarget window(accepting);
    if (argc > 3)
        window.move(QString::fromLatin1(argv[2]).toInt(), QString::fromLatin1(argv[3]).toInt());
    window.show();
    QTimer::singleShot(300, &window, [&window] {
        const QPoint centre = window.mapToGlobal(window.rect().center());
        std::printf("READY %d %d\n", centre.x(), centre.y());
        std::fflush(stdout);
    });
    return app.exec();
}
