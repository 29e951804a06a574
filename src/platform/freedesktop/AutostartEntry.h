#pragma once

#include "platform/AutostartService.h"

#include <QByteArray>
#include <QString>
#include <optional>

// An autostart entry of the desktop: $XDG_CONFIG_HOME/autostart/quoblin.desktop,
// which starts the program that is running now.
class AutostartEntry final : public AutostartService {
public:
    // Without a path, the entry's place is looked up at each call, so that it
    // follows the environment; without a program, the running executable.
    explicit AutostartEntry(QString entryPath = {}, QString program = {});

    static QString defaultEntryPath();
    QString entryPath() const;

    std::optional<QString> enable() override;
    std::optional<QString> disable() override;
    // The entry exists, and neither the desktop has been told to hide it nor
    // GNOME's own switch turned it off.
    bool isEnabled() const override;

    // The entry's whole text for a program.
    static QByteArray entryText(const QString& program);

    // An Exec= value that runs exactly that program, quoted and escaped as
    // desktop entries require.
    static QString execValue(const QString& program);

private:
    QString m_entryPath;
    QString m_program;
};
