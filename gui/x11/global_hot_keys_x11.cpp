// Global hot keys on an X11 desktop (xcb), or none on another window system (Wayland).
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

#include "gui/support/global_hot_keys.h"
#include "gui/x11/x11_hot_keys.h"

namespace vorlisk::window {

namespace {

// A window system without global hot keys: nothing is registered.
class NoHotKeys : public GlobalHotKeys {
 public:
  void Register(const Registrations&) override {}
  void UnregisterAll() override {}
  std::vector<uint32_t> Registered() const override { return {}; }
};

}  // namespace

bool GlobalHotKeysAvailable() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

std::unique_ptr<GlobalHotKeys> MakeGlobalHotKeys(QWidget* window, GlobalHotKeys::Pressed pressed) {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = GlobalHotKeysAvailable() && x11 ? x11->connection() : nullptr;
  if (!c) return std::make_unique<NoHotKeys>();
  // The root of the window's screen.
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  if (window) {
    if (xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(
            c, xcb_get_geometry(c, static_cast<xcb_window_t>(window->winId())), nullptr)) {
      root = g->root;
      std::free(g);
    }
  }
  return std::make_unique<X11HotKeys>(c, root, std::move(pressed));
}

}  // namespace vorlisk::window
