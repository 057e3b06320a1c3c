// MinimizeBrowserWindows on X11: the window manager's client list (EWMH _NET_CLIENT_LIST) read from
// the root window, each browser window asked to iconify by the ICCCM WM_CHANGE_STATE client
// message, which the window manager carries out.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "app/hot_keys.h"
#include "gui/support/browser_windows.h"
#include "platform/error.h"

namespace vorlisk::window {

namespace {

constexpr uint32_t kIconicState = 3;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

struct Connection {
  Connection() : c(xcb_connect(nullptr, &screen)) {}
  ~Connection() { xcb_disconnect(c); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  xcb_connection_t* c;
  int screen = 0;
};

xcb_atom_t Atom(xcb_connection_t* c, std::string_view name) {
  Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

Owned<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type) {
  return Owned<xcb_get_property_reply_t>(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, property, type, 0, 1u << 16), nullptr));
}

}  // namespace

int MinimizeBrowserWindows(const std::vector<std::string>& names) {
  Connection x;
  if (xcb_connection_has_error(x.c))
    throw Error("The window system cannot be reached: the browser windows were not minimized");
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x.c));
  for (int i = 0; i < x.screen && screens.rem > 1; ++i) xcb_screen_next(&screens);
  const xcb_window_t root = screens.data->root;
  const xcb_atom_t changeState = Atom(x.c, "WM_CHANGE_STATE");

  const auto list = Property(x.c, root, Atom(x.c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
  if (!list || list->format != 32) return 0;  // no window manager that lists its windows
  const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
  const int count = xcb_get_property_value_length(list.get()) / 4;
  int minimized = 0;
  for (int i = 0; i < count; ++i) {
    const auto wmClass = Property(x.c, windows[i], XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (!wmClass || wmClass->format != 8) continue;  // gone meanwhile, or no class
    // "instance\0class\0"
    const std::string_view value(
        static_cast<const char*>(xcb_get_property_value(wmClass.get())),
        static_cast<std::size_t>(xcb_get_property_value_length(wmClass.get())));
    const std::size_t nul = value.find('\0');
    const std::string_view instance = value.substr(0, nul);
    std::string_view windowClass =
        nul == std::string_view::npos ? std::string_view() : value.substr(nul + 1);
    windowClass = windowClass.substr(0, windowClass.find('\0'));
    if (!IsBrowserWindow(instance, windowClass, names)) continue;

    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = windows[i];
    event.type = changeState;
    event.data.data32[0] = kIconicState;
    xcb_send_event(x.c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    ++minimized;
  }
  // A round trip: the server has handled every request before the connection goes, so no
  // request is dropped with it.
  std::free(xcb_get_input_focus_reply(x.c, xcb_get_input_focus(x.c), nullptr));
  return minimized;
}

}  // namespace vorlisk::window
