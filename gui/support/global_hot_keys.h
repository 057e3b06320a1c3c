// The two global hot keys as the main window holds them: registered under their identifiers on the
// window system, each press reported by identifier on the user-interface thread.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/hot_keys.h"

namespace vorlisk::window {

class GlobalHotKeys {
 public:
  using Registrations = std::array<std::optional<HotKeyBinding>, 2>;
  // Told the identifier of a registered hot key when it is pressed, from inside the window system's
  // event handling: what it starts at length (a wash) it queues.
  using Pressed = std::function<void(uint32_t id)>;

  virtual ~GlobalHotKeys() = default;
  // Unregisters every hot key, then registers those given (nullopt registers nothing). A
  // combination another program holds fails silently: that hot key then does nothing.
  virtual void Register(const Registrations& registrations) = 0;
  virtual void UnregisterAll() = 0;
  // The identifiers registered now (the ones that took).
  virtual std::vector<uint32_t> Registered() const = 0;
};

// The window system's hot keys for `window`: X11's key grabs on the xcb platform, RegisterHotKey on
// Windows; elsewhere (a Wayland session) none, and registering does nothing.
std::unique_ptr<GlobalHotKeys> MakeGlobalHotKeys(QWidget* window, GlobalHotKeys::Pressed pressed);

// Whether the window system offers global hot keys at all.
bool GlobalHotKeysAvailable();

}  // namespace vorlisk::window
