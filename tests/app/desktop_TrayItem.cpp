// A desktop whose tray is a StatusNotifierItem host (Plasma, and GNOME with the
// AppIndicator extension), played by this test: no X11 tray host runs.
#include "DesktopDriver.h"

#include <QtDBus>
#include <QtTest>

using namespace Qt::StringLiterals;

class TrayItemTest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    QStringList m_items;
    QProcess m_quoblin;

    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

    // A menu layout (id, properties, children) flattened to label → id.
    static void collect(const QDBusArgument& node, QMap<QString, int>& ids) {
        int id = 0;
        QVariantMap properties;
        node.beginStructure();
        node >> id >> properties;
        node.beginArray();
        while (!node.atEnd()) {
            QDBusVariant child;
            node >> child;
            collect(child.variant().value<QDBusArgument>(), ids);
        }
        node.endArray();
        node.endStructure();
        if (properties.contains(u"label"_s))
            ids.insert(properties.value(u"label"_s).toString().remove(u'&'), id);
    }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { m_items << service; }

private Q_SLOTS:
    void theTrayMenuOpensAShelf() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(u"/StatusNotifierWatcher"_s, this,
                                   QDBusConnection::ExportAllSlots |
                                       QDBusConnection::ExportAllProperties));
        QVERIFY(bus.registerService(u"org.kde.StatusNotifierWatcher"_s));
        m_quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        QTRY_COMPARE_WITH_TIMEOUT(m_items.size(), 1, 15000);

        const QString item = m_items[0].section(u'/', 0, 0); // a service, or a service/path
        const QDBusReply<QDBusVariant> menuPath =
            QDBusInterface(item, u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s)
                .call(u"Get"_s, u"org.kde.StatusNotifierItem"_s, u"Menu"_s);
        QVERIFY2(menuPath.isValid(), qPrintable(menuPath.error().message()));
        QDBusInterface menu(item, menuPath.value().variant().value<QDBusObjectPath>().path(),
                            u"com.canonical.dbusmenu"_s);
        menu.call(u"AboutToShow"_s, 0); // the program labels its menu as it opens
        const QDBusMessage layout = menu.call(u"GetLayout"_s, 0, -1, QStringList{});
        QVERIFY2(layout.type() == QDBusMessage::ReplyMessage, qPrintable(layout.errorMessage()));
        QMap<QString, int> ids;
        collect(layout.arguments().value(1).value<QDBusArgument>(), ids);
        QVERIFY2(ids.contains(u"New Shelf"_s) && ids.contains(u"Quit"_s),
                 qPrintable(ids.keys().join(u", "_s)));

        menu.call(u"Event"_s, ids.value(u"New Shelf"_s), u"clicked"_s,
                  QVariant::fromValue(QDBusVariant(0)), 0u);
        QTRY_VERIFY_WITH_TIMEOUT(
            !DesktopDriver::lines(u"xdotool"_s,
                                  {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Shelf"_s})
                 .isEmpty(),
            10000);
        menu.call(u"Event"_s, ids.value(u"Quit"_s), u"clicked"_s,
                  QVariant::fromValue(QDBusVariant(0)), 0u);
        QVERIFY(m_quoblin.waitForFinished(15000) && m_quoblin.exitCode() == 0);
    }
};

QTEST_GUILESS_MAIN(TrayItemTest)
#include "desktop_TrayItem.moc"
