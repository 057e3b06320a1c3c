#include "app/window/global_hot_keys.h"

#include <QGuiApplication>

#ifdef _WIN32
#include "app/window/win_hot_keys.h"
#else
#include <xcb/xcb.h>

#include <cstdlib>

#include "app/window/x11_hot_keys.h"
#endif

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

bool GlobalHotKeysAvailable() {
#ifdef _WIN32
  return true;
#else
  return QGuiApplication::platformName() == QLatin1String("xcb");
#endif
}

std::unique_ptr<GlobalHotKeys> MakeGlobalHotKeys(QWidget* window, GlobalHotKeys::Pressed pressed) {
#ifdef _WIN32
  return MakeWindowsHotKeys(window, std::move(pressed));
#else
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
#endif
}

}  // namespace vorlisk::window
