// Global hot keys on X11: passive key grabs on the root window, one for every combination of the
// lock modifiers (Caps Lock, Num Lock) so a lit lock does not disable the key. Presses arrive on
// Qt's own connection and are picked out by a native event filter.
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <vector>

#include "gui/support/global_hot_keys.h"

struct xcb_connection_t;

namespace vorlisk::window {

class X11HotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter {
 public:
  // `connection` is the one Qt reads events from (the filter sees only its events); `root` the
  // root window grabbed on. The filter is installed on the application while this lives.
  X11HotKeys(xcb_connection_t* connection, uint32_t root, Pressed pressed);
  ~X11HotKeys() override;

  void Register(const Registrations& registrations) override;
  void UnregisterAll() override;
  std::vector<uint32_t> Registered() const override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  // One grabbed combination: the key, the modifier mask without locks, the hot key's identifier.
  struct Grab {
    uint8_t KeyCode;
    uint16_t Modifiers;
    uint32_t Id;
  };
  // The lock masks in every combination: none, Caps Lock, Num Lock, both.
  std::vector<uint16_t> LockCombinations() const;
  // Grabs every key code and lock combination of one registration; all or none.
  void GrabKeys(const HotKeyBinding& registration);

  xcb_connection_t* connection_;
  uint32_t root_;
  Pressed pressed_;
  uint16_t numLock_ = 0;
  std::vector<Grab> grabs_;
};

}  // namespace vorlisk::window
