// TFormMainVorlisk: the main window, a view over the MainSession. Its widgets carry the controls'
// object names; every button runs the session's command for its control, every change the
// session makes arrives as a notification, and the window redraws only that.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/main_session.h"
#include "app/preferences.h"
#include "gui/support/check_list_model.h"
#include "gui/support/global_hot_keys.h"
#include "gui/support/session_end.h"

namespace vorlisk::window {

// The main window's size on a screen: the size it is made for, brought down to the space the
// screen has (less room for the window's frame) but never below what its controls need. When even
// that does not fit, `Why` says so.
struct WindowFit {
  QSize Size;
  std::string Why;  // empty when the window fits
};
WindowFit FitWindow(QSize wanted, QSize minimum, QSize available);

class TFormMainVorlisk : public QMainWindow, private SessionObserver {
  Q_OBJECT

 public:
  // The session's port is the window's own, except the members the caller has already set (tests
  // set a scripted port). The session starts up in the window's constructor.
  TFormMainVorlisk(const std::string& programFolder, UiCallbacks port = {},
                   QWidget* parent = nullptr);
  ~TFormMainVorlisk() override;

  MainSession& Session() { return session_; }
  QToolButton* Button(Control control) const { return buttons_[static_cast<std::size_t>(control)]; }
  QMenu* TrayMenu() const { return trayMenu_; }
  QMenu* WashMenu() const { return washMenu_; }

  // Runs a control's command as its click does; errors end in the standard error box.
  void Click(Control control);
  // Brings the window back from the taskbar or the notification area and to the front.
  void RestoreWindow();
  // Opens a help topic (58 is the main window's).
  void OpenHelpTopic(int topic);
  // Why the window does not fit its screen; empty when it does. Said once when it is first shown.
  const std::string& DoesNotFit() const { return doesNotFit_; }

  // ---- washing without a click (main_window_automation.cpp) ----
  // Switches Timer1 on exactly while the timed wash is in the schedule (restarting it) and holds
  // the shutdown lock exactly while the shutdown wash is on. Called at start and after Apply.
  void UpdateTimer();
  QTimer* Timer1() const { return timer1_; }
  // What Apply re-registers both global hot keys with.
  SetHotKeysPort HotKeysPort();
  const GlobalHotKeys& HotKeys() const { return *hotKeys_; }
  // A registered hot key was pressed: 0xABBB minimizes the browser windows, 0xCDDD is the
  // automatic wash; other identifiers do nothing.
  void HotKeyPressed(uint32_t id);
  // The desktop session or the machine ends: the shutdown wash (when on) runs to its end, then the
  // window closes in order. Once per process.
  void EndSession();
  // From now on SIGTERM ends the session as the session manager's request does (the shutdown
  // wash, when on, then the orderly close); SIGINT and SIGHUP close the window as its close box
  // does. Looked at five times a second.
  void WatchTerminationSignals();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // SessionObserver
  void RowsReset(SessionList list) override;
  void RowsChanged(SessionList list, int32_t first, int32_t last) override;
  void RowsInserted(SessionList list, int32_t first, int32_t last) override;
  void RowsRemoved(SessionList list, int32_t first, int32_t last) override;
  void RowMoved(SessionList list, int32_t from, int32_t to) override;
  void SelectionChanged(SessionList list, int32_t row) override;
  void EnabledChanged(Control control, bool enabled) override;
  void CountersChanged() override;
  void TrayMenuChanged() override;

  void BuildWidgets();
  void BuildTray();
  QToolButton* MakeButton(Control control, const char* themeIcon, int fallback);
  QListView* MakeList(const char* name, SessionList list);
  void ShowProgress(const ProgressInfo& info);
  void ShowAboutBox();
  void RefreshEnabled(Control control);
  // Runs `f`, showing an error that ends it in the standard error box.
  void Guarded(const std::function<void()>& f);
  void StartAutomation();

  MainSession session_;
  std::array<QToolButton*, kControlCount> buttons_{};
  std::array<QListView*, 3> views_{};
  std::array<CheckListModel*, 3> models_{};
  std::array<QLabel*, 4> counters_{};
  QLabel* cancelled_ = nullptr;  // "Cancelled" beside the counters of a cancelled run
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  QMenu* washMenu_ = nullptr;
  QPointer<QProgressDialog> progress_;
  QElapsedTimer runTimer_;
  QTimer* timer1_ = nullptr;
  std::unique_ptr<GlobalHotKeys> hotKeys_;
  std::unique_ptr<ShutdownLock> shutdownLock_;
  std::unique_ptr<ShutdownWatch> shutdownWatch_;
  std::string doesNotFit_;
  bool sessionEnding_ = false;
  bool syncing_ = false;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace vorlisk::window
