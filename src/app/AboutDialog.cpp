#include "app/AboutDialog.h"

#include "platform/common/Symbols.h"
#include "platform/gnome/ShellCompanion.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(const GnomeSession::Status& gnome, QWidget* parent)
    : QDialog(parent)
    , m_gnome(gnome)
    , m_version(new QLabel(this))
    , m_description(new QLabel(this))
    , m_backend(new QLabel(this))
    , m_ok(new QPushButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(8);

    auto* icon = new QLabel(this);
    icon->setPixmap(Symbols::appIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
    auto* name = new QLabel(QStringLiteral("Quoblin"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setBold(true);
    name->setFont(nameFont);
    for (QLabel* label : {icon, name, m_version, m_description, m_backend}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    // Whether the note is there depends on the start, not on the language.
    if (!companionNote(gnome).isEmpty() || (onWayland() && !nativeGnome(gnome))) {
        m_note = new QLabel(this);
        m_note->setWordWrap(true);
        m_note->setMaximumWidth(320);
        QFont small = m_note->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        m_note->setFont(small);
        layout->addWidget(m_note);
    }
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(m_ok, 0, Qt::AlignCenter);
    setTexts();
}

void AboutDialog::setTexts() {
    setWindowTitle(tr("About Quoblin"));
    m_version->setText(tr("Version %1").arg(QStringLiteral(QUOBLIN_VERSION)));
    m_description->setText(description());
    m_backend->setText(backendName(m_gnome));
    if (m_note) {
        const QString problem = companionNote(m_gnome);
        m_note->setText(problem.isEmpty() ? waylandNote() : problem);
    }
    m_ok->setText(tr("OK"));
}

void AboutDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        setTexts();
    QDialog::changeEvent(event);
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
