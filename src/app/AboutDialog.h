#pragma once

#include "platform/gnome/GnomeSession.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The program's about box: icon, name, version and what it is for; on a
// Wayland session also what works there and what does not.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    // `gnome`: what the start found of GNOME and its companion extension.
    explicit AboutDialog(const GnomeSession::Status& gnome, QWidget* parent = nullptr);

    static QString description();
    static QString waylandNote();
    static bool onWayland();
    // Which desktop services the program runs with.
    static QString backendName(const GnomeSession::Status& gnome);
    // On GNOME on Wayland without the companion extension: what is missing
    // and how to turn it on; after this start turned it on: that it did;
    // empty otherwise.
    static QString companionNote(const GnomeSession::Status& gnome);

protected:
    // An open box follows a change of the interface language.
    void changeEvent(QEvent* event) override;

private:
    static bool nativeGnome(const GnomeSession::Status& gnome);
    void setTexts();

    GnomeSession::Status m_gnome;
    QLabel* m_version;
    QLabel* m_description;
    QLabel* m_backend;
    QLabel* m_note = nullptr;
    QPushButton* m_ok;
};
