#pragma once

#include "platform/ClipboardRead.h"

#include <QStringList>
#include <chrono>

class X11Connection;

// Reads the clipboard from its owner over the platform's own connection.
// Qt's clipboard would, on its first read, load every image plugin there is
// only to list the image types it could convert to: over a megabyte held for
// the rest of the run, for conversions this program never asks for.
class X11ClipboardReader {
public:
    struct Limits {
        // Every format read, together; a larger one is left out.
        qsizetype bytes = 64 * 1024 * 1024;
        // The whole read, all formats.
        std::chrono::milliseconds time{2000};
    };

    explicit X11ClipboardReader(X11Connection& x11);
    X11ClipboardReader(X11Connection& x11, Limits limits);

    // Those of `formats` the owner offers, read one after the other, in the
    // order given, waiting without the event loop. Plain text arrives as UTF-8
    // whatever text target the owner offers. No data while a window of this
    // program owns the clipboard: the toolkit holds that data itself.
    ClipboardRead read(const QStringList& formats);

private:
    X11Connection& m_x11;
    Limits m_limits;
};
