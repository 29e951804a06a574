#pragma once

#include <QString>
#include <optional>

// Starting the program when the user logs in.
class AutostartService {
public:
    virtual ~AutostartService() = default;
    // Each returns nothing on success, or a human-readable reason for the failure.
    virtual std::optional<QString> enable() = 0;
    virtual std::optional<QString> disable() = 0;
    virtual bool isEnabled() const = 0;

    // The one reason the program words itself rather than the system, so
    // that the settings window can give it in the user's language.
    static QString unknownProgramReason() {
        return QStringLiteral("the path of the running program is unknown");
    }
};
