// The least a Qt tray program can be: an application object and a tray icon
// with a plain icon, nothing else. The start-up and memory figures of the
// real program are measured against this floor.
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(QColor(0xdc, 0xdc, 0xdc));
    QSystemTrayIcon icon{QIcon(pixmap)};
    icon.show();
    return QApplication::exec();
}
