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
#include <QToolButton>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/main_session.h"
#include "app/preferences.h"
#include "app/window/check_list_model.h"

namespace vorlisk::window {

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
  // The hot keys' registration as Preferences' Apply renews it, and the timed wash's timer
  // switched to the schedule.
  SetHotKeysPort HotKeysPort();
  void UpdateTimer();
  // Opens a help topic (58 is the main window's).
  void OpenHelpTopic(int topic);

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

  MainSession session_;
  std::array<QToolButton*, kControlCount> buttons_{};
  std::array<QListView*, 3> views_{};
  std::array<CheckListModel*, 3> models_{};
  std::array<QLabel*, 4> counters_{};
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  QMenu* washMenu_ = nullptr;
  QPointer<QProgressDialog> progress_;
  QElapsedTimer runTimer_;
  bool syncing_ = false;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace vorlisk::window
