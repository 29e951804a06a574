#pragma once

#include <QByteArray>
#include <cstdint>
#include <xcb/xcb.h>

namespace X11Properties {

struct Property {
    bool ok = false;
    uint32_t type = XCB_ATOM_NONE;
    QByteArray data;
};

// A window's property whole, in one round trip; `remove` deletes it as it is
// read, which is how a selection's requestor acknowledges a piece.
Property read(xcb_connection_t* c, uint32_t window, uint32_t property, bool remove);

QByteArray atomName(xcb_connection_t* c, uint32_t atom);

} // namespace X11Properties
