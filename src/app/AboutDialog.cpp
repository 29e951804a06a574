#include "app/AboutDialog.h"

#include "platform/common/Symbols.h"
#include "platform/gnome/ShellCompanion.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(const GnomeSession::Status& gnome, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("About Quoblin"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(8);

    auto* icon = new QLabel(this);
    icon->setPixmap(Symbols::appIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Quoblin"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(tr("Version %1").arg(QStringLiteral(QUOBLIN_VERSION)), this);
    version->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(description(), this);
    text->setAlignment(Qt::AlignCenter);
    for (QWidget* w : {static_cast<QWidget*>(icon), static_cast<QWidget*>(name),
                       static_cast<QWidget*>(version), static_cast<QWidget*>(text)})
        layout->addWidget(w);
    auto* backend = new QLabel(backendName(gnome), this);
    backend->setAlignment(Qt::AlignCenter);
    layout->addWidget(backend);
    const QString problem = companionNote(gnome);
    if (!problem.isEmpty() || (onWayland() && !nativeGnome(gnome))) {
        auto* note = new QLabel(problem.isEmpty() ? waylandNote() : problem, this);
        note->setWordWrap(true);
        note->setMaximumWidth(320);
        QFont small = note->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        note->setFont(small);
        layout->addWidget(note);
    }
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);
}

QString AboutDialog::description() {
    return tr("A floating shelf for drag & drop.\nShake the mouse while dragging.");
}

QString AboutDialog::waylandNote() {
    // Without XWayland the program runs on Qt's Wayland platform, where no
    // global input can be watched at all.
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        return tr("This Wayland session offers no XWayland display, so Quoblin sees "
                  "neither shakes nor hot keys: open shelves from the tray menu.");
    return tr("On this Wayland session Quoblin runs through XWayland: a shake opens a "
              "shelf only over X11 windows, not over native Wayland windows, and the hot "
              "keys do not work while a native Wayland window has the keyboard focus.");
}

QString AboutDialog::backendName(const GnomeSession::Status& gnome) {
    if (nativeGnome(gnome))
        return tr("Runs on GNOME (Wayland) with the Quoblin Shell extension.");
    if (QGuiApplication::platformName() == QLatin1String("xcb") && onWayland())
        return tr("Runs through XWayland.");
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return tr("Runs on X11.");
    return tr("Runs on Wayland.");
}

QString AboutDialog::companionNote(const GnomeSession::Status& status) {
    using GnomeSession::Companion;
    if (status.companion == Companion::ready &&
        status.enabling == GnomeSession::Enabling::enabledNow)
        return tr("Quoblin has turned on the Quoblin Shell extension and "
                  "uses it from now on.");
    if (status.companion != Companion::absent && status.companion != Companion::wrongVersion)
        return {};
    // The Shell has it and says why it does not run it: nothing the user or
    // this program turns on changes that.
    if (status.refusal == GnomeSession::Refusal::outOfDate)
        return tr("GNOME Shell reports the Quoblin Shell extension out of date: it was "
                  "not made for this version of GNOME Shell, which does not run it, so "
                  "shakes and hot keys work only over X11 windows. Install the Quoblin "
                  "build for this GNOME Shell, then log out and back in.");
    if (status.refusal == GnomeSession::Refusal::error)
        return tr("GNOME Shell reports an error in the Quoblin Shell "
                  "extension and does not run it: %1")
            .arg(status.shellError);
    const QString uuid = GnomeSession::extensionUuid;
    QString text = status.companion == Companion::wrongVersion
                       ? tr("The Quoblin Shell extension answers with version %1, but "
                            "this Quoblin needs version %2: install the extension "
                            "that comes with it, then log out and back in.")
                             .arg(status.version)
                             .arg(ShellCompanion::interfaceVersion)
                       : tr("The Quoblin Shell extension does not answer, so shakes and "
                            "hot keys work only over X11 windows. Turn it on with "
                            "“gnome-extensions enable %1” or in the Extensions app, "
                            "then log out and back in.")
                             .arg(uuid);
    if (!status.enabling)
        return text;
    switch (*status.enabling) {
    case GnomeSession::Enabling::enabledNow:
        return text + u' ' +
               tr("Quoblin has just turned it on: quit Quoblin and start "
                  "it again to use it.");
    case GnomeSession::Enabling::atNextLogin:
        return text + u' ' +
               tr("Quoblin has turned it on; it takes effect at the next "
                  "login.");
    case GnomeSession::Enabling::notInstalled:
        return text + u' ' +
               tr("It is not installed: install Quoblin's package, which "
                  "brings it.");
    case GnomeSession::Enabling::failed:
        break;
    }
    return text;
}

bool AboutDialog::nativeGnome(const GnomeSession::Status& gnome) {
    return gnome.companion == GnomeSession::Companion::ready &&
           QGuiApplication::platformName() == QLatin1String("wayland");
}

bool AboutDialog::onWayland() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}
