#pragma once

#include <QCoreApplication>
#include <memory>

// Qt's D-Bus wants an application object, but a probe that chooses the window
// system runs before the real one can exist (it connects to the window system
// this answer chooses). Gives a short-lived one for the probe's duration, or
// nothing when an application object is already there.
std::unique_ptr<QCoreApplication> earlyApplication();
