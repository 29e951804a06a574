#pragma once

#include <QString>
#include <optional>

// Starting the program when the user logs in.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    // Each returns nothing on success, or a human-readable reason for the failure.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
    virtual bool isEnabled() const = 0;
};
