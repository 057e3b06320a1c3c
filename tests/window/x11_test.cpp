// The X11 parts on a virtual X server of their own (ctest runs them under xvfb-run with
// VORLISK_XVFB set; elsewhere they are skipped, since they change the root window's properties and
// would minimize the browsers of a real desktop): the hot-key grabs, the press filter, and the
// browser windows minimized through the window manager's client list.
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QGuiApplication>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "app/hot_keys.h"
#include "gui/support/browser_windows.h"
#include "gui/window/main_window.h"
#include "gui/x11/x11_hot_keys.h"
#include "platform/error.h"
#include "test_support.h"

namespace vorlisk::window {
namespace {

bool OwnXServer() { return std::getenv("DISPLAY") && std::getenv("VORLISK_XVFB"); }

// A second client of the X server: what another program on the desktop would do.
class OtherClient {
 public:
  OtherClient() : c_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
  }
  ~OtherClient() { xcb_disconnect(c_); }
  xcb_connection_t* c() const { return c_; }
  xcb_window_t Root() const { return root_; }

  // The first key code of a letter ('a' to 'z').
  uint8_t KeyCode(char letter) const {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c_);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, static_cast<uint32_t>(letter));
    const uint8_t code = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
  }
  // Whether this client may grab the combination (and then lets it go again).
  bool CanGrab(char letter, uint16_t modifiers) {
    const uint8_t code = KeyCode(letter);
    xcb_generic_error_t* error =
        xcb_request_check(c_, xcb_grab_key_checked(c_, 1, root_, modifiers, code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    if (!error) xcb_ungrab_key(c_, code, root_, modifiers);
    xcb_flush(c_);
    return !error;
  }
  xcb_atom_t Atom(const char* name) const {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return atom;
  }
  xcb_window_t Window(const std::string& wmClass) const {
    const xcb_window_t w = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(wmClass.size()), wmClass.data());
    return w;
  }

 private:
  xcb_connection_t* c_;
  xcb_window_t root_ = 0;
};

constexpr uint16_t kCtrl = XCB_MOD_MASK_CONTROL;
constexpr uint16_t kAlt = XCB_MOD_MASK_1;
constexpr uint16_t kNumLock = XCB_MOD_MASK_2;  // Xvfb's keymap
constexpr uint16_t kCapsLock = XCB_MOD_MASK_LOCK;

class X11WindowTest : public ::testing::Test, public test::TestProgram {
 protected:
  void SetUp() override {
    if (!OwnXServer() || QGuiApplication::platformName() != QLatin1String("xcb"))
      GTEST_SKIP() << "needs its own X server and Qt's xcb platform";
    WriteItems("const/system.txt", {{.Name = "Temp"}});
  }
  std::optional<TFormMainVorlisk> window;
};

// Catches hot keys not registered from the settings file, a grab that a lit Num Lock or Caps Lock
// escapes, grabs left behind by re-registration, and a taken combination that is not given up
// entirely (or that stops the other hot key).
TEST_F(X11WindowTest, BothHotKeysAreGrabbedFromTheSettingsFileUnderEveryLockCombination) {
  test::WriteHostFile(Program.Host("wildcard.ini"), "[Hot Key]\r\nControl=1\r\nChar=6\r\n");
  OtherClient other;
  window.emplace(Folder());
  EXPECT_EQ(window->HotKeys().Registered(), (std::vector<uint32_t>{0xABBB, 0xCDDD}));
  for (uint16_t locks : std::array<uint16_t, 4>{0, kCapsLock, kNumLock, kCapsLock | kNumLock}) {
    SCOPED_TRACE(locks);
    EXPECT_FALSE(other.CanGrab('g', kCtrl | locks));  // CTRL+G
    EXPECT_FALSE(other.CanGrab('d', kCtrl | locks));  // CTRL+D
  }
  EXPECT_TRUE(other.CanGrab('g', kAlt));

  // Apply's re-registration: hot key 1 left out, hot key 2 moved to CTRL+ALT+G.
  window->HotKeysPort()({std::nullopt, HotKeyBinding{0xCDDD, kModControl | kModAlt, 'G'}});
  EXPECT_EQ(window->HotKeys().Registered(), (std::vector<uint32_t>{0xCDDD}));
  EXPECT_TRUE(other.CanGrab('g', kCtrl | kNumLock));
  EXPECT_TRUE(other.CanGrab('d', kCtrl));
  EXPECT_FALSE(other.CanGrab('g', kCtrl | kAlt | kCapsLock));
  window.reset();  // closing lets go of them
  EXPECT_TRUE(other.CanGrab('g', kCtrl | kAlt));
}

TEST_F(X11WindowTest, ACombinationAnotherProgramHoldsFailsSilently) {
  OtherClient other;
  const uint8_t f = other.KeyCode('f');
  xcb_grab_key(other.c(), 1, other.Root(), kCtrl | kAlt | kNumLock, f, XCB_GRAB_MODE_ASYNC,
               XCB_GRAB_MODE_ASYNC);
  xcb_flush(other.c());
  window.emplace(Folder());  // CTRL+ALT+F and CTRL+D by default
  EXPECT_EQ(window->HotKeys().Registered(), (std::vector<uint32_t>{0xCDDD}));
  OtherClient third;
  EXPECT_TRUE(third.CanGrab('f', kCtrl | kAlt));  // nothing of hot key 1 kept
  EXPECT_FALSE(third.CanGrab('d', kCtrl));
}

// Catches a press reported for other modifiers or another window, and one missed while a lock
// is lit.
TEST(X11HotKeysTest, APressOfAGrabbedCombinationReportsItsIdentifier) {
  if (!OwnXServer()) GTEST_SKIP() << "needs its own X server";
  OtherClient own;
  std::vector<uint32_t> pressed;
  X11HotKeys keys(own.c(), own.Root(), [&](uint32_t id) { pressed.push_back(id); });
  keys.Register(
      {HotKeyBinding{0xABBB, kModControl | kModAlt, 'F'}, HotKeyBinding{0xCDDD, kModControl, 'D'}});
  struct Case {
    char letter;
    uint16_t state;
    bool onRoot;
    std::optional<uint32_t> id;
  };
  for (const Case& c :
       std::initializer_list<Case>{{'f', kCtrl | kAlt, true, 0xABBB},
                                   {'f', kCtrl | kAlt | kNumLock | kCapsLock, true, 0xABBB},
                                   {'d', kCtrl | kNumLock, true, 0xCDDD},
                                   {'d', kCtrl | XCB_MOD_MASK_SHIFT, true, std::nullopt},
                                   {'f', kCtrl, true, std::nullopt},
                                   {'e', kCtrl, true, std::nullopt},
                                   {'d', kCtrl, false, std::nullopt}}) {
    SCOPED_TRACE(std::string(1, c.letter) + " " + std::to_string(c.state));
    xcb_key_press_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_KEY_PRESS;
    event.detail = own.KeyCode(c.letter);
    event.root = own.Root();
    event.event = c.onRoot ? own.Root() : own.Root() + 1;
    event.state = c.state;
    pressed.clear();
    EXPECT_EQ(keys.nativeEventFilter("xcb_generic_event_t", &event, nullptr), c.id.has_value());
    EXPECT_EQ(pressed, c.id ? std::vector<uint32_t>{*c.id} : std::vector<uint32_t>{});
  }
}

// Catches a browser window left alone, another program's window minimized, a window closed instead
// of iconified, and a walk that stops at a listed window that is gone.
TEST(X11BrowsersTest, BrowserWindowsOfTheClientListAreAskedToIconify) {
  if (!OwnXServer()) GTEST_SKIP() << "needs its own X server";
  OtherClient wm;  // stands in for the window manager
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  ASSERT_EQ(xcb_request_check(wm.c(), xcb_change_window_attributes_checked(
                                          wm.c(), wm.Root(), XCB_CW_EVENT_MASK, &mask)),
            nullptr);
  const xcb_window_t firefox = wm.Window(std::string("Navigator\0firefox\0", 18));
  const xcb_window_t terminal = wm.Window(std::string("xterm\0XTerm\0", 12));
  const xcb_window_t unlisted = wm.Window(std::string("chromium\0Chromium\0", 18));
  const xcb_window_t chrome = wm.Window(std::string("google-chrome\0Google-chrome\0", 28));
  const xcb_window_t gone = wm.Window(std::string("brave-browser\0Brave-browser\0", 28));
  xcb_destroy_window(wm.c(), gone);
  const std::vector<xcb_window_t> clients = {firefox, terminal, gone, chrome};
  const xcb_atom_t clientList = wm.Atom("_NET_CLIENT_LIST");
  xcb_change_property(wm.c(), XCB_PROP_MODE_REPLACE, wm.Root(), clientList, XCB_ATOM_WINDOW, 32,
                      static_cast<uint32_t>(clients.size()), clients.data());
  std::free(xcb_get_input_focus_reply(wm.c(), xcb_get_input_focus(wm.c()), nullptr));
  (void)unlisted;

  EXPECT_EQ(MinimizeBrowserWindows(ParseBrowserWindows(kDefaultBrowserWindows)), 2);

  std::vector<xcb_window_t> iconified;
  const xcb_atom_t changeState = wm.Atom("WM_CHANGE_STATE");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (iconified.size() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::free(xcb_get_input_focus_reply(wm.c(), xcb_get_input_focus(wm.c()), nullptr));
    while (xcb_generic_event_t* e = xcb_poll_for_event(wm.c())) {
      if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
        EXPECT_EQ(m->type, changeState);
        EXPECT_EQ(m->format, 32);
        EXPECT_EQ(m->data.data32[0], 3u);  // IconicState
        iconified.push_back(m->window);
      }
      if ((e->response_type & 0x7f) == XCB_DESTROY_NOTIFY) {  // never closed, only ours
        EXPECT_EQ(reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window, gone);
      }
      std::free(e);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(iconified, (std::vector<xcb_window_t>{firefox, chrome}));
  xcb_delete_property(wm.c(), wm.Root(), clientList);
  xcb_flush(wm.c());
}

// Catches a failure to reach the window system that passes in silence instead of reaching the
// error box.
TEST(X11BrowsersTest, AWindowSystemOutOfReachIsAnError) {
  const test::ScopedEnv display("DISPLAY", ":4711");
  EXPECT_THROW(MinimizeBrowserWindows({"firefox"}), Error);
}

}  // namespace
}  // namespace vorlisk::window
