#include "platform/x11/X11Properties.h"

#include <cstdlib>

namespace X11Properties {

Property read(xcb_connection_t* c, uint32_t window, uint32_t property, bool remove) {
    Property result;
    auto* reply = xcb_get_property_reply(c,
                                         xcb_get_property(c, remove ? 1 : 0, window, property,
                                                          XCB_GET_PROPERTY_TYPE_ANY, 0, 0x1fffffff),
                                         nullptr);
    if (!reply)
        return result;
    result.ok = true;
    result.type = reply->type;
    result.data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
    std::free(reply);
    return result;
}

QByteArray atomName(xcb_connection_t* c, uint32_t atom) {
    QByteArray name;
    if (auto* reply = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr)) {
        name = QByteArray(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
        std::free(reply);
    }
    return name;
}

} // namespace X11Properties
