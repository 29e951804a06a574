#pragma once

#include <QDialog>

// The program's about box: icon, name, version and what it is for; on a
// Wayland session also what works there and what does not.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // Shows the one about box of the program, made anew in the current language.
    static void showShared();

    static QString description();
    static QString waylandNote();
    static bool onWayland();
    // Which desktop services the program runs with.
    static QString backendName();
    // On GNOME on Wayland without the companion extension: what is missing
    // and how to turn it on; after this start turned it on: that it did;
    // empty otherwise.
    static QString companionNote();

private:
    static bool nativeGnome();
};
