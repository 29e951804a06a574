#include "app/AboutDialog.h"

#include "platform/common/Symbols.h"
#include "platform/gnome/ShellCompanion.h"
#include "settings/Language.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(const GnomeSession::Status& gnome, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(bilingual(QStringLiteral("About Quoblin"), QStringLiteral("Despre Quoblin")));
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
    auto* version = new QLabel(bilingual(QStringLiteral("Version "), QStringLiteral("Versiunea ")) +
                                   QStringLiteral(QUOBLIN_VERSION),
                               this);
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
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);
}

QString AboutDialog::description() {
    return bilingual(
        QStringLiteral("A floating shelf for drag & drop.\nShake the mouse while dragging."),
        QStringLiteral("Raft plutitor pentru drag & drop.\nScutură mouse-ul în timpul unui drag."));
}

QString AboutDialog::waylandNote() {
    // Without XWayland the program runs on Qt's Wayland platform, where no
    // global input can be watched at all.
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        return bilingual(
            QStringLiteral("This Wayland session offers no XWayland display, so Quoblin sees "
                           "neither shakes nor hot keys: open shelves from the tray menu."),
            QStringLiteral("Această sesiune Wayland nu oferă un ecran XWayland, așa că Quoblin nu "
                           "vede nici scuturările, nici tastele rapide: deschideți rafturile din "
                           "meniul din bara de sistem."));
    return bilingual(
        QStringLiteral("On this Wayland session Quoblin runs through XWayland: a shake opens a "
                       "shelf only over X11 windows, not over native Wayland windows, and the hot "
                       "keys do not work while a native Wayland window has the keyboard focus."),
        QStringLiteral("În această sesiune Wayland, Quoblin rulează prin XWayland: scuturarea "
                       "deschide un raft doar deasupra ferestrelor X11, nu și deasupra celor "
                       "Wayland native, iar tastele rapide nu funcționează cât timp o fereastră "
                       "Wayland nativă are focusul tastaturii."));
}

QString AboutDialog::backendName(const GnomeSession::Status& gnome) {
    if (nativeGnome(gnome))
        return bilingual(
            QStringLiteral("Runs on GNOME (Wayland) with the Quoblin Shell extension."),
            QStringLiteral("Rulează în GNOME (Wayland) cu extensia Quoblin Shell."));
    if (QGuiApplication::platformName() == QLatin1String("xcb") && onWayland())
        return bilingual(QStringLiteral("Runs through XWayland."),
                         QStringLiteral("Rulează prin XWayland."));
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return bilingual(QStringLiteral("Runs on X11."), QStringLiteral("Rulează pe X11."));
    return bilingual(QStringLiteral("Runs on Wayland."), QStringLiteral("Rulează pe Wayland."));
}

QString AboutDialog::companionNote(const GnomeSession::Status& status) {
    using GnomeSession::Companion;
    if (status.companion == Companion::ready &&
        status.enabling == GnomeSession::Enabling::enabledNow)
        return bilingual(QStringLiteral("Quoblin has turned on the Quoblin Shell extension and "
                                        "uses it from now on."),
                         QStringLiteral("Quoblin a activat extensia Quoblin Shell și o folosește "
                                        "de acum înainte."));
    if (status.companion != Companion::absent && status.companion != Companion::wrongVersion)
        return {};
    // The Shell has it and says why it does not run it: nothing the user or
    // this program turns on changes that.
    if (status.refusal == GnomeSession::Refusal::outOfDate)
        return bilingual(
            QStringLiteral("GNOME Shell reports the Quoblin Shell extension out of date: it was "
                           "not made for this version of GNOME Shell, which does not run it, so "
                           "shakes and hot keys work only over X11 windows. Install the Quoblin "
                           "build for this GNOME Shell, then log out and back in."),
            QStringLiteral("GNOME Shell raportează extensia Quoblin Shell ca învechită: nu a "
                           "fost făcută pentru această versiune de GNOME Shell, care nu o "
                           "rulează, așa că scuturările și tastele rapide funcționează doar "
                           "deasupra ferestrelor X11. Instalați versiunea Quoblin pentru acest "
                           "GNOME Shell, apoi ieșiți din sesiune și intrați din nou."));
    if (status.refusal == GnomeSession::Refusal::error)
        return bilingual(QStringLiteral("GNOME Shell reports an error in the Quoblin Shell "
                                        "extension and does not run it: %1"),
                         QStringLiteral("GNOME Shell raportează o eroare în extensia Quoblin "
                                        "Shell și nu o rulează: %1"))
            .arg(status.shellError);
    const QString uuid = GnomeSession::extensionUuid;
    QString text =
        status.companion == Companion::wrongVersion
            ? bilingual(QStringLiteral("The Quoblin Shell extension answers with version %1, but "
                                       "this Quoblin needs version %2: install the extension "
                                       "that comes with it, then log out and back in."),
                        QStringLiteral("Extensia Quoblin Shell răspunde cu versiunea %1, dar "
                                       "acest Quoblin are nevoie de versiunea %2: instalați "
                                       "extensia care vine cu el, apoi ieșiți din sesiune și "
                                       "intrați din nou."))
                  .arg(status.version)
                  .arg(ShellCompanion::interfaceVersion)
            : bilingual(QStringLiteral("The Quoblin Shell extension does not answer, so shakes and "
                                       "hot keys work only over X11 windows. Turn it on with "
                                       "“gnome-extensions enable %1” or in the Extensions app, "
                                       "then log out and back in."),
                        QStringLiteral("Extensia Quoblin Shell nu răspunde, așa că scuturările și "
                                       "tastele rapide funcționează doar deasupra ferestrelor "
                                       "X11. Activați-o cu „gnome-extensions enable %1” sau din "
                                       "aplicația Extensii, apoi ieșiți din sesiune și intrați "
                                       "din nou."))
                  .arg(uuid);
    if (!status.enabling)
        return text;
    switch (*status.enabling) {
    case GnomeSession::Enabling::enabledNow:
        return text + u' ' +
               bilingual(QStringLiteral("Quoblin has just turned it on: quit Quoblin and start "
                                        "it again to use it."),
                         QStringLiteral("Quoblin tocmai a activat-o: închideți Quoblin și "
                                        "porniți-l din nou ca s-o folosească."));
    case GnomeSession::Enabling::atNextLogin:
        return text + u' ' +
               bilingual(QStringLiteral("Quoblin has turned it on; it takes effect at the next "
                                        "login."),
                         QStringLiteral("Quoblin a activat-o; intră în funcțiune la următoarea "
                                        "autentificare."));
    case GnomeSession::Enabling::notInstalled:
        return text + u' ' +
               bilingual(QStringLiteral("It is not installed: install Quoblin's package, which "
                                        "brings it."),
                         QStringLiteral("Nu este instalată: instalați pachetul Quoblin, care o "
                                        "aduce."));
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
