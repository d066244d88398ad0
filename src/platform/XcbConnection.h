#pragma once
// What every XCB user of the platform layer needs: replies, errors and events freed by their
// owner, a connection that is null when the display refuses, and a screen's root window.
#include <cstdlib>
#include <memory>
#include <string>

#include <xcb/xcb.h>

namespace corv::xcb {

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
// Replies, errors and events of XCB are malloc'ed and freed by the caller.
template <typename T> using Ptr = std::unique_ptr<T, FreeDeleter<T>>;

// A connection to displayName (empty: DISPLAY); null when it cannot be made. *screen gets the
// preferred screen.
xcb_connection_t* connect(const std::string& displayName, int* screen);
// The root window of a screen, or XCB_WINDOW_NONE.
xcb_window_t rootOfScreen(xcb_connection_t* c, int screen);

}  // namespace corv::xcb
