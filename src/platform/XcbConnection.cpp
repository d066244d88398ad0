#include "platform/XcbConnection.h"

namespace corv::xcb {

xcb_connection_t* connect(const std::string& displayName, int* screen)
{
    xcb_connection_t* c = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), screen);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);  // XCB returns an error object that still has to be released
        return nullptr;
    }
    return c;
}

xcb_window_t rootOfScreen(xcb_connection_t* c, int screen)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i) {
        if (i == screen)
            return it.data->root;
    }
    return XCB_WINDOW_NONE;
}

}  // namespace corv::xcb
