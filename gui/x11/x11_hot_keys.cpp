#include "gui/x11/x11_hot_keys.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>

namespace vorlisk::window {

namespace {

constexpr uint32_t kNumLockKeySym = 0xff7f;

// The key symbol of a registered key code: the letters as lower-case symbols, the digits as they
// are; other codes name no key here (0).
uint32_t KeySym(int32_t keyCode) {
  if (keyCode >= 'A' && keyCode <= 'Z') return static_cast<uint32_t>(keyCode - 'A' + 'a');
  if (keyCode >= '0' && keyCode <= '9') return static_cast<uint32_t>(keyCode);
  return 0;
}

uint16_t ModifierMask(uint32_t modifiers) {
  uint16_t mask = 0;
  if (modifiers & kModAlt) mask |= XCB_MOD_MASK_1;
  if (modifiers & kModControl) mask |= XCB_MOD_MASK_CONTROL;
  if (modifiers & kModShift) mask |= XCB_MOD_MASK_SHIFT;
  return mask;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

struct KeySymbols {
  explicit KeySymbols(xcb_connection_t* c) : symbols(xcb_key_symbols_alloc(c)) {}
  ~KeySymbols() { xcb_key_symbols_free(symbols); }
  KeySymbols(const KeySymbols&) = delete;
  KeySymbols& operator=(const KeySymbols&) = delete;
  // Every key code that produces `keySym`.
  std::vector<uint8_t> KeyCodes(uint32_t keySym) const {
    std::vector<uint8_t> out;
    if (!symbols || keySym == 0) return out;
    Owned<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keySym));
    for (const xcb_keycode_t* c = codes.get(); c && *c != XCB_NO_SYMBOL; ++c) out.push_back(*c);
    return out;
  }
  xcb_key_symbols_t* symbols;
};

// The modifier mask Num Lock sets, 0 when no modifier carries it.
uint16_t NumLockMask(xcb_connection_t* c, const KeySymbols& symbols) {
  const std::vector<uint8_t> numLock = symbols.KeyCodes(kNumLockKeySym);
  Owned<xcb_get_modifier_mapping_reply_t> map(
      xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
  if (!map || numLock.empty()) return 0;
  const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
  const int perModifier = map->keycodes_per_modifier;
  for (int m = 0; m < 8; ++m)
    for (int k = 0; k < perModifier; ++k)
      if (std::find(numLock.begin(), numLock.end(), codes[m * perModifier + k]) != numLock.end())
        return static_cast<uint16_t>(1u << m);
  return 0;
}

}  // namespace

X11HotKeys::X11HotKeys(xcb_connection_t* connection, uint32_t root, Pressed pressed)
    : connection_(connection), root_(root), pressed_(std::move(pressed)) {
  numLock_ = NumLockMask(connection_, KeySymbols(connection_));
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys() {
  QCoreApplication::instance()->removeNativeEventFilter(this);
  UnregisterAll();
}

std::vector<uint16_t> X11HotKeys::LockCombinations() const {
  std::vector<uint16_t> out = {0, XCB_MOD_MASK_LOCK};
  if (numLock_ != 0) out.insert(out.end(), {numLock_, uint16_t(numLock_ | XCB_MOD_MASK_LOCK)});
  return out;
}

void X11HotKeys::Register(const Registrations& registrations) {
  UnregisterAll();
  for (const auto& r : registrations)
    if (r) GrabKeys(*r);
  xcb_flush(connection_);
}

void X11HotKeys::GrabKeys(const HotKeyBinding& registration) {
  const uint16_t modifiers = ModifierMask(registration.Modifiers);
  std::vector<std::pair<uint8_t, uint16_t>> taken;  // what this registration grabbed
  bool refused = false;
  for (uint8_t code : KeySymbols(connection_).KeyCodes(KeySym(registration.KeyCode))) {
    for (uint16_t locks : LockCombinations()) {
      const uint16_t mask = modifiers | locks;
      // Checked, so a combination another client holds comes back here and not as an error
      // event on Qt's connection.
      Owned<xcb_generic_error_t> error(xcb_request_check(
          connection_, xcb_grab_key_checked(connection_, 1, root_, mask, code, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC)));
      if (error) {
        refused = true;
        break;
      }
      taken.emplace_back(code, mask);
    }
    if (refused) break;
  }
  if (refused) {
    for (const auto& [code, mask] : taken) xcb_ungrab_key(connection_, code, root_, mask);
    return;
  }
  for (const auto& [code, mask] : taken) {
    (void)mask;
    if (std::none_of(grabs_.begin(), grabs_.end(), [&](const Grab& g) {
          return g.KeyCode == code && g.Modifiers == modifiers && g.Id == registration.Id;
        }))
      grabs_.push_back({code, modifiers, registration.Id});
  }
}

void X11HotKeys::UnregisterAll() {
  for (const Grab& g : grabs_)
    for (uint16_t locks : LockCombinations())
      xcb_ungrab_key(connection_, g.KeyCode, root_, static_cast<uint16_t>(g.Modifiers | locks));
  grabs_.clear();
  xcb_flush(connection_);
}

std::vector<uint32_t> X11HotKeys::Registered() const {
  std::vector<uint32_t> ids;
  for (const Grab& g : grabs_)
    if (std::find(ids.begin(), ids.end(), g.Id) == ids.end()) ids.push_back(g.Id);
  return ids;
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
  const auto* key = static_cast<const xcb_key_press_event_t*>(message);
  if (key->event != root_) return false;
  const uint16_t modifiers =
      key->state & static_cast<uint16_t>(0xff & ~(XCB_MOD_MASK_LOCK | numLock_));
  for (const Grab& g : grabs_) {
    if (g.KeyCode != key->detail || g.Modifiers != modifiers) continue;
    pressed_(g.Id);
    return true;
  }
  return false;
}

}  // namespace vorlisk::window
