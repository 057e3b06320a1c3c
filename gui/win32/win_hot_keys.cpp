#include "gui/win32/win_hot_keys.h"

#include <windows.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <algorithm>

namespace vorlisk::window {

namespace {

class WindowsHotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter {
 public:
  WindowsHotKeys(QWidget* window, Pressed pressed)
      : window_(reinterpret_cast<HWND>(window->winId())), pressed_(std::move(pressed)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~WindowsHotKeys() override {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    UnregisterAll();
  }

  void Register(const Registrations& registrations) override {
    UnregisterAll();
    for (const auto& r : registrations)
      if (r && RegisterHotKey(window_, static_cast<int>(r->Id), r->Modifiers,
                              static_cast<UINT>(r->KeyCode)))
        ids_.push_back(r->Id);
  }
  void UnregisterAll() override {
    for (uint32_t id : {kHotKeyCloseBrowsers.Id, kHotKeyWashChecked.Id})
      UnregisterHotKey(window_, static_cast<int>(id));
    ids_.clear();
  }
  std::vector<uint32_t> Registered() const override { return ids_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_HOTKEY || msg->hwnd != window_) return false;
    const auto id = static_cast<uint32_t>(msg->wParam);
    if (std::find(ids_.begin(), ids_.end(), id) == ids_.end()) return false;
    pressed_(id);
    return true;
  }

 private:
  HWND window_;
  Pressed pressed_;
  std::vector<uint32_t> ids_;
};

}  // namespace

std::unique_ptr<GlobalHotKeys> MakeWindowsHotKeys(QWidget* window, GlobalHotKeys::Pressed pressed) {
  return std::make_unique<WindowsHotKeys>(window, std::move(pressed));
}

}  // namespace vorlisk::window
