#include "app/AboutDialog.h"

#include "platform/Symbols.h"
#include "settings/Language.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent)
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
    if (onWayland()) {
        auto* note = new QLabel(waylandNote(), this);
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

bool AboutDialog::onWayland() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

void AboutDialog::showShared() {
    static QPointer<AboutDialog> dialog;
    if (dialog)
        dialog->close();
    dialog = new AboutDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
