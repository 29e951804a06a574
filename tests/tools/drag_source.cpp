// drag_source FILE [X Y]: a stand-in for another program, a window that starts a
// real drag of FILE (and its path as text) when the left button is pressed and
// moved over it. Prints "READY <x> <y>" with the global position of its centre
// in X11 pixels, and "DRAG <action>" when a drag ends.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

class DragSource : public QWidget {
public:
    explicit DragSource(QString path)
        : m_path(std::move(path)) {
        resize(300, 200);
    }

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || m_dragging)
            return;
        m_dragging = true;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(m_path)});
        mime->setText(m_path);
        drag->setMimeData(mime);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
        std::printf("DRAG %d\n", int(action));
        std::fflush(stdout);
        m_dragging = false;
    }

private:
    QString m_path;
    bool m_dragging = false;
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    DragSource window(QString::fromLocal8Bit(argv[1]));
    if (argc > 3)
        window.move(QString::fromLatin1(argv[2]).toInt(), QString::fromLatin1(argv[3]).toInt());
    window.show();
    QTimer::singleShot(300, &window, [&window] {
        const QPoint centre = window.mapToGlobal(window.rect().center());
        const qreal ratio = window.devicePixelRatio();
        std::printf("READY %d %d\n", int(centre.x() * ratio), int(centre.y() * ratio));
        std::fflush(stdout);
    });
    return app.exec();
}
